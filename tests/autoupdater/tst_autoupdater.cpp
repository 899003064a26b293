// The update checker against stand-in maintenance tools: what it makes of
// their output, every way a check ends, and its button and windows.

#include "testsupport.h"

#include <updatebutton.h>
#include <updatecontroller.h>

using namespace QtAutoUpdater;
using Controller = UpdateController;
using Failure = Controller::Failure;

namespace {

const QByteArray OneUpdate = "echo '<updates><update name=\"Sonavel\" version=\"4.2\"/></updates>'";
// A tool that runs a helper, as real ones do, and waits for it.
const QByteArray WithHelper = "sleep 30 & echo $! > \"$0.helper\"\nwait";

// The process named in a pid file has ended (a zombie nobody reaps counts).
bool gone(const QString &pidFile)
{
    QFile file(pidFile);
    const int pid = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
    QFile stat(QString("/proc/%1/stat").arg(pid));
    return pid > 0 && (!stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z "));
}

QWidgetList windows(const QString &name) { return shownWindows("qtautoupdater_" + name); }

QString describe(const Controller::Result &r)
{
    QStringList parts{QMetaEnum::fromType<Controller::Status>().valueToKey(int(r.status)),
                      QMetaEnum::fromType<Failure>().valueToKey(int(r.failure))};
    for (const UpdateInfo &u : r.updates)
        parts << QString("%1 %2 %3").arg(u.name, u.version).arg(u.size);
    return parts.join('|');
}

} // namespace

class TestAutoUpdater : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QTranslator m_english;

    // The stand-in tool; a command line but "--checkupdates" fails it.
    QString tool(const QByteArray &body, bool executable = true)
    {
        const QString path = m_dir.filePath("mt");
        return writeTool(path, "[ \"$*\" = --checkupdates ] || exit 42\n" + body, executable) ? path : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_english.load(SONAVEL_TRANSLATIONS_DIR "/qtautoupdatergui_en.qm"));
        QCoreApplication::installTranslator(&m_english);
    }
    void cleanup() { qDeleteAll(windows(QString())); }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("expected"); // status|failure|updates...
        QTest::newRow("log lines around the list")
            << QByteArray("IFW Version: 4.5\n<updatesfeed/>\n<updates>\n <update name=\" Sonavel \" version=\"4.2\" "
                          "size=\"-5\"/>\n <other/>\n</updates>\nDone.\n") << "UpdatesAvailable|None|Sonavel 4.2 0";
        QTest::newRow("garbage") << QByteArray("<update name=\"x\"/> <updates><oops") << "Failed|InvalidOutput";
        QTest::newRow("a DTD and its entity")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE updates [<!ENTITY v \"9.9\">]>"
                          "<updates><update name=\"Sonavel\" version=\"&v;\"/></updates>") << "Failed|InvalidOutput";
    }

    void parse()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, expected);
        const Controller::Result result = UpdateCheck::parseOutput(output);
        QCOMPARE(describe(result), expected);
        QCOMPARE(result.errorString.isEmpty(), result.failure == Failure::None);
    }

    void outcome_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("end"); // what ends the check: the tool, Cancel in the progress window, or quitting
        // status|failure|updates...|exit code|stderr|the window shown, and what it says in English
        QTest::addColumn<QString>("expected");
        const QByteArray two = "echo '<updates><update name=\"A\"/><update name=\"B\"/></updates>'";
        QTest::newRow("updates, progress")
            << OneUpdate << 4 << "" << "UpdatesAvailable|None|Sonavel 4.2 0|0||updates:1 update available for Sonavel.";
        QTest::newRow("updates, info")
            << two << 2 << "" << "UpdatesAvailable|None|A  0|B  0|0||updates:2 updates available for Sonavel.";
        QTest::newRow("none, info") << QByteArray("exit 1") << 2 << "" << "NoUpdates|None|1||";
        QTest::newRow("none, progress") << QByteArray("echo 'No updates.'\nexit 1") << 4 << ""
                                        << "NoUpdates|None|1||noUpdates:No updates are available for Sonavel.";
        QTest::newRow("exit 2, info") << QByteArray("echo '  network unreachable ' >&2\nexit 2") << 2 << ""
                                      << "Failed|ExitCode|2|network unreachable|";
        QTest::newRow("crash, progress") << QByteArray("echo dying >&2\nkill -SEGV $$") << 4 << ""
                                         << "Failed|Crashed|-1|dying|failure:The check for updates failed.";
        QTest::newRow("endless output") << QByteArray("exec yes") << 0 << "" << "Failed|OutputTooLarge|-1||";
        QTest::newRow("too slow, with a helper") << WithHelper << 0 << "" << "Failed|TimedOut|-1||";
        QTest::newRow("Cancel pressed, with a helper") << WithHelper << 4 << "cancel" << "Failed|Canceled|-1||";
        QTest::newRow("quitting, with a helper") << WithHelper << 0 << "quit" << "Failed|Canceled|-1||";
    }

    // Every outcome: start() returns at once, a second start() is refused, the
    // windows follow the display level, nothing of the tool's process group is left.
    void outcome()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, level);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        Controller controller(tool(body));
        const QString path = controller.maintenanceToolPath();
        controller.setCheckTimeout(end.isEmpty() ? 500 : 10000);
        QSignalSpy finished(&controller, &Controller::checkFinished);
        int ticks = 0;
        QTimer ticker;
        ticker.callOnTimeout([&] { ticks += controller.isRunning(); });
        ticker.start(20);

        QElapsedTimer clock;
        clock.start();
        // start() returns before the tool has even been launched, let alone answered.
        QVERIFY(controller.start(Controller::DisplayLevel(level)));
        QVERIFY(finished.isEmpty() && !QFile::exists(path + ".pid"));
        QVERIFY(controller.isRunning() && !controller.start(Controller::AutomaticLevel));
        QCOMPARE(windows("progress").size(), level == 4 ? 1 : 0);
        if (!end.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(QFile(path + ".helper").size() > 0, 5000);
            if (end == "cancel") {
                windows("progress").value(0)->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
            } else {
                // Ended as the application quits, not when it is destroyed.
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
                QCoreApplication::exec();
                QCOMPARE(finished.count(), 1);
            }
        }

        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        const auto result = finished.first().first().value<Controller::Result>();
        QVERIFY2(result.errorString.contains(result.errorOutput), qPrintable(result.errorString));
        QVERIFY(!controller.isRunning());
        QString seen;
        for (const QString name : {"progress", "updates", "noUpdates", "failure"})
            for (QWidget *w : windows(name))
                seen += name + ':' + w->findChild<QLabel *>(name == "updates" ? "summary" : "qt_msgbox_label")->text();
        QCOMPARE(QString("%1|%2|%3|%4").arg(describe(result)).arg(result.exitCode).arg(result.errorOutput, seen), expected);
        QTRY_VERIFY_WITH_TIMEOUT(gone(path + ".pid"), 5000);
        if (body == WithHelper)
            QTRY_VERIFY_WITH_TIMEOUT(gone(path + ".helper"), 5000);
        if (result.failure == Failure::TimedOut)
            QVERIFY2(clock.elapsed() >= 500 && clock.elapsed() < 3000 && ticks >= 10,
                     qPrintable(QString("%1 ms, %2 ticks").arg(clock.elapsed()).arg(ticks)));
    }

    void unusableToolIsNotStarted()
    {
        for (const bool exists : {false, true}) {
            const QString path = exists ? tool("exit 1", false) : m_dir.filePath("absent");
            Controller controller(path);
            QSignalSpy running(&controller, &Controller::runningChanged);
            QVERIFY(!controller.start(Controller::ProgressLevel));
            QCOMPARE(controller.lastResult().failure, exists ? Failure::ToolNotExecutable : Failure::ToolMissing);
            QVERIFY(running.isEmpty() && !QFile::exists(path + ".pid") && windows("progress").isEmpty());
        }
        // A relative name is looked for beside the program, never in the current directory.
        QCOMPARE(Controller("mt.exe").maintenanceToolPath(), QCoreApplication::applicationDirPath() + "/mt");
    }

    void buttonFollowsItsController()
    {
        UpdateButton button;
        button.show();
        auto *check = button.findChild<QPushButton *>();
        auto *busy = button.findChild<QProgressBar *>();
        QVERIFY(!button.isEnabled() && !busy->isVisible());

        auto *controller = new Controller(tool("exit 1"));
        button.setController(controller);
        QVERIFY(button.isEnabled() && check->isEnabled());
        check->click();
        QVERIFY(controller->isRunning() && busy->isVisible() && !check->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!controller->isRunning(), 10000);
        QVERIFY(!busy->isVisible() && check->isEnabled());

        check->click();
        delete controller;
        QVERIFY(!button.isEnabled() && !busy->isVisible());
    }

    // Deleting our windows while QApplication is torn down crashed inside Qt;
    // a child process quits with one still open, and must end normally.
    void windowsOpenAtExitAreHarmless()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--exit-scenario", tool("exit 1")});
        QVERIFY(child.waitForFinished(20000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAllStandardError());
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--exit-scenario") == 0) {
        QApplication app(argc, argv);
        return (new Controller(QString::fromLocal8Bit(argv[2]), &app))->start(Controller::AskLevel) ? 0 : 4;
    }
    QApplication app(argc, argv);
    TestAutoUpdater test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_autoupdater.moc"
