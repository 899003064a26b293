#include <updatebutton.h>
#include <updatecontroller.h>

#include <QtTest>
#include <QtWidgets>

#include <cerrno>
#include <csignal>

using namespace QtAutoUpdater;
using Controller = UpdateController;
using Failure = Controller::Failure;

namespace {

const QByteArray TwoUpdates = "echo '<updates><update name=\"Sonavel\" version=\"4.2.0\" size=\"3145728\"/>"
                              "<update name=\"Codecs\" version=\"1.1\" size=\"2048\"/></updates>'";

// A stand-in maintenance tool. Its pid in "<tool>.pid" tells whether it ran and
// whether it is still around; a command line but "--checkupdates" fails it.
QString writeTool(const QString &path, const QByteArray &body, bool executable = true)
{
    QFile file(path);
    QFile::remove(path + ".pid");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write("#!/bin/sh\necho $$ > \"$0.pid\"\n[ \"$*\" = --checkupdates ] || exit 42\n" + body + "\n");
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::Permissions()));
    return path;
}

bool gone(const QString &tool)
{
    QFile file(tool + ".pid");
    const pid_t pid = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
    return pid > 0 && ::kill(pid, 0) == -1 && errno == ESRCH;
}

// Visible windows named "qtautoupdater_<name>..."; no name starts another.
QWidgetList windows(const QString &name)
{
    QWidgetList found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName().startsWith("qtautoupdater_" + name))
            found << w;
    return found;
}

QString describe(const Controller::Result &r)
{
    QStringList parts{QMetaEnum::fromType<Controller::Status>().valueToKey(int(r.status)),
                      QMetaEnum::fromType<Failure>().valueToKey(int(r.failure)),
                      QString::number(r.exitCode), r.errorOutput};
    for (const UpdateInfo &u : r.updates)
        parts << QString("%1 %2 %3").arg(u.name, u.version).arg(u.size);
    return parts.join('|');
}

} // namespace

class TestAutoUpdater : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString tool(const QByteArray &body, bool exe = true) { return writeTool(m_dir.filePath("mt"), body, exe); }

private Q_SLOTS:
    void cleanup() { qDeleteAll(windows(QString())); }

    void outcome_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // status|failure|exit code|stderr|updates...
        const QString two = "|Sonavel 4.2.0 3145728|Codecs 1.1 2048";
        QTest::newRow("updates") << TwoUpdates << "UpdatesAvailable|None|0|" + two;
        QTest::newRow("log lines around the list")
            << QByteArray("echo 'IFW Version: 4.5'\nprintf '<updates>\\n <update name=\"Sonavel\" version=\"4.2.0\" "
                          "size=\"3145728\"/>\\n <update name=\"Codecs\" version=\"1.1\" size=\"2048\"></update>\\n"
                          "</updates>\\n'\necho 'Done.'") << "UpdatesAvailable|None|0|" + two;
        QTest::newRow("none, exit 1") << QByteArray("echo 'No updates.'\nexit 1") << "NoUpdates|None|1|";
        QTest::newRow("garbage, exit 0") << QByteArray("echo '<update name=\"x\"/> <updates><oops'")
                                         << "Failed|InvalidOutput|0|";
        QTest::newRow("exit 2") << QByteArray("echo '  network unreachable ' >&2\nexit 2")
                                << "Failed|ExitCode|2|network unreachable";
        QTest::newRow("crash") << QByteArray("echo dying >&2\nkill -SEGV $$") << "Failed|Crashed|-1|dying";
        QTest::newRow("too slow") << QByteArray("exec sleep 30") << "Failed|TimedOut|-1|";
    }

    // Every outcome goes through the same asynchronous path: start() returns
    // at once, a second start() is refused, and the tool is gone afterwards.
    void outcome()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        Controller controller(tool(body));
        controller.setCheckTimeout(500);
        QSignalSpy finished(&controller, &Controller::checkFinished);
        int ticks = 0;
        QTimer ticker;
        ticker.callOnTimeout([&] { ticks += controller.isRunning(); });
        ticker.start(20);

        QElapsedTimer clock;
        clock.start();
        QVERIFY(controller.start(Controller::AutomaticLevel));
        QVERIFY2(clock.elapsed() < 300, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(controller.isRunning() && !controller.start(Controller::AutomaticLevel));

        QVERIFY(finished.wait(10000));
        const auto result = finished.first().first().value<Controller::Result>();
        QCOMPARE(describe(result), expected);
        QVERIFY2(result.errorString.contains(result.errorOutput), qPrintable(result.errorString));
        QVERIFY(!controller.isRunning() && finished.count() == 1);
        QTRY_VERIFY_WITH_TIMEOUT(gone(controller.maintenanceToolPath()), 5000);
        // Stopped at the time limit, and our event loop kept running meanwhile.
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
    }

    void relativeToolIsFoundInApplicationDirectory()
    {
        // A decoy of the same name in the current directory must not run.
        const QString name = QString("fake-mt-%1").arg(QCoreApplication::applicationPid());
        const QString appTool = writeTool(QCoreApplication::applicationDirPath() + '/' + name, TwoUpdates);
        const QString decoy = writeTool(m_dir.filePath(name), "exit 1");
        const QString previousDir = QDir::currentPath();
        QVERIFY(!appTool.isEmpty() && QDir::setCurrent(m_dir.path()));

        Controller controller(name + ".exe");
        QSignalSpy finished(&controller, &Controller::checkFinished);
        const bool started = controller.start(Controller::AutomaticLevel) && finished.wait(10000);
        QDir::setCurrent(previousDir);
        QFile::remove(appTool);
        QFile::remove(appTool + ".pid");

        QVERIFY(started);
        QCOMPARE(controller.maintenanceToolPath(), appTool);
        QCOMPARE(controller.lastResult().status, Controller::Status::UpdatesAvailable);
        QVERIFY(!QFile::exists(decoy + ".pid"));
    }

    void windowsFollowDisplayLevel_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown");
        QTest::newRow("info, updates") << 2 << TwoUpdates << "updates";
        QTest::newRow("info, none") << 2 << QByteArray("exit 1") << "";
        QTest::newRow("info, failure") << 2 << QByteArray("exit 3") << "";
        QTest::newRow("progress, updates") << 4 << TwoUpdates << "updates";
        QTest::newRow("progress, none") << 4 << QByteArray("exit 1") << "noUpdates";
        QTest::newRow("progress, failure") << 4 << QByteArray("exit 3") << "failure";
    }

    void windowsFollowDisplayLevel()
    {
        QFETCH(int, level);
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);
        Controller controller(tool(body));
        QSignalSpy finished(&controller, &Controller::checkFinished);
        QVERIFY(controller.start(Controller::DisplayLevel(level)));
        QCOMPARE(windows("progress").size(), level == 4 ? 1 : 0);
        QVERIFY(finished.wait(10000));
        for (const QString name : {"progress", "updates", "noUpdates", "failure"})
            QCOMPARE(windows(name).size(), name == shown ? 1 : 0);
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

        // A controller deleted mid-check leaves the button without one.
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
        // As in the player, the application owns the controller; it quits with a window up.
        QApplication app(argc, argv);
        return (new Controller(QString::fromLocal8Bit(argv[2]), &app))->start(Controller::AskLevel) ? 0 : 4;
    }
    QApplication app(argc, argv);
    TestAutoUpdater test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_autoupdater.moc"
