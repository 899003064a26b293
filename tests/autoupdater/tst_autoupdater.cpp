// SPDX-License-Identifier: GPL-3.0-or-later
// The update checker against stand-in maintenance tools: what it makes of
// their output, every way a check ends, and its button and windows.

#include "testsupport.h"

#include "updatebutton.h"
#include "updatecontroller.h"

using namespace QtAutoUpdater;
using Controller = UpdateController;
using Failure = UpdateCheck::Failure;

namespace {

// A tool that runs a helper, as real ones do, and waits for it.
const QByteArray WithHelper = "sleep 30 & echo $! > \"$0.helper\"\nwait";

// The process named in a pid file has ended (a zombie nobody reaps counts).
bool gone(const QString &pidFile)
{
    const int pid = readAll(pidFile).trimmed().toInt();
    QFile stat(QString("/proc/%1/stat").arg(pid));
    return pid > 0 && (!stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z "));
}

// status|failure|updates...|what the user is told, line by line
QString describe(const UpdateCheck::Result &r)
{
    QStringList parts{QMetaEnum::fromType<UpdateCheck::Status>().valueToKey(int(r.status)),
                      QMetaEnum::fromType<Failure>().valueToKey(int(r.failure))};
    for (const UpdateInfo &u : r.updates)
        parts << QString("%1 %2 %3").arg(u.name, u.version).arg(u.size);
    return (parts + r.errorString.split('\n', Qt::SkipEmptyParts)).join('|');
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
    void cleanup() { qDeleteAll(updateWindows()); }

    void outcome_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("end"); // what ends the check: the tool, Cancel in the progress window, or quitting
        QTest::addColumn<QString>("expected"); // the result, then the window shown and what it says, in English
        const QByteArray two = "echo '<updates><update name=\"A\" size=\"2048\"/><update name=\"B\"/></updates>'";
        const QString unreadable = "Failed|InvalidOutput|The maintenance tool reported updates, but its output contains no "
                                   "readable list of them.|";
        QTest::newRow("updates, progress") << two << 4 << "" << "UpdatesAvailable|None|A  2048|B  0|"
                                                                "updates:2 updates available for Sonavel.";
        QTest::newRow("log lines around the list, info")
            << QByteArray("cat <<'E'\nIFW Version: 4.5\n<updatesfeed/>\n<updates>\n <update name=\" Sonavel \" "
                          "version=\"4.2\" size=\"-5\"/>\n <other/>\n</updates>\nDone.\nE")
            << 2 << "" << "UpdatesAvailable|None|Sonavel 4.2 0|updates:1 update available for Sonavel.";
        QTest::newRow("an empty list, info") << QByteArray("printf '<updates\\n/>'") << 2 << "" << "NoUpdates|None|";
        QTest::newRow("none, progress") << QByteArray("echo 'No updates.'\nexit 1") << 4 << ""
                                        << "NoUpdates|None|noUpdates:No updates are available for Sonavel.";
        QTest::newRow("garbage, progress") << QByteArray("echo '<update name=\"x\"/> <updates><oops'") << 4 << ""
                                           << unreadable + "failure:The check for updates failed.";
        QTest::newRow("a DTD and its entity, info")
            << QByteArray("echo '<!DOCTYPE updates [<!ENTITY v \"9\">]><updates><update name=\"S\" version=\"&v;\"/></updates>'")
            << 2 << "" << unreadable;
        QTest::newRow("exit 2, info") << QByteArray("echo '  network unreachable ' >&2\nexit 2") << 2 << ""
            << "Failed|ExitCode|The maintenance tool failed with exit code 2.|Its error output was:|network unreachable|";
        QTest::newRow("crash, progress") << QByteArray("echo dying >&2\nkill -SEGV $$") << 4 << "" << "Failed|Crashed|"
            "The maintenance tool crashed.|Its error output was:|dying|failure:The check for updates failed.";
        QTest::newRow("endless output") << QByteArray("exec yes") << 2 << "" << "Failed|OutputTooLarge|"
            "The maintenance tool produced far more output than expected and was stopped.|";
        QTest::newRow("too slow, with a helper") << WithHelper << 2 << ""
            << "Failed|TimedOut|The maintenance tool did not finish within 1 second and was stopped.|";
        QTest::newRow("Cancel pressed, with a helper") << WithHelper << 4 << "cancel"
                                                       << "Failed|Canceled|The check for updates was canceled.|";
        QTest::newRow("quitting, with a helper") << WithHelper << 2 << "quit"
                                                 << "Failed|Canceled|The check for updates was canceled.|";
        QTest::newRow("deleted, with a helper") << WithHelper << 4 << "delete" << "";
    }

    // Every outcome: start() returns at once, a second start() is refused, the
    // windows follow the display level, nothing of the tool's process group is left.
    void outcome()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, level);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        const QString path = tool(body);
        auto controller = std::make_unique<Controller>(path);
        controller->setCheckTimeout(expected.contains("TimedOut") ? 500 : 10000);
        QSignalSpy finished(controller.get(), &Controller::checkFinished);
        QElapsedTimer clock;
        clock.start();
        // start() returns before the tool has even been launched, let alone answered.
        QVERIFY(controller->start(Controller::DisplayLevel(level)));
        QVERIFY(finished.isEmpty() && !QFile::exists(path + ".pid"));
        QVERIFY(controller->isRunning() && !controller->start(Controller::InfoLevel));
        QCOMPARE(updateWindows("progress").size(), level == 4 ? 1 : 0);
        if (!end.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(QFile(path + ".helper").size() > 0, 5000);
            if (end == "cancel") {
                updateWindows("progress").value(0)->findChild<QPushButton *>()->click();
            } else if (end == "delete") {
                controller.reset();
                QTRY_VERIFY_WITH_TIMEOUT(gone(path + ".pid") && gone(path + ".helper"), 5000);
                return;
            } else {
                // Ended as the application quits, not when it is destroyed.
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
                QCoreApplication::exec();
                QCOMPARE(finished.count(), 1);
            }
        }

        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QString seen;
        for (const QString name : {"progress", "updates", "noUpdates", "failure"})
            for (QWidget *w : updateWindows(name))
                seen += name + ':' + w->findChild<QLabel *>("qt_msgbox_label")->text();
        QCOMPARE(describe(finished.first().first().value<UpdateCheck::Result>()) + '|' + seen, expected);
        QTRY_VERIFY_WITH_TIMEOUT(gone(path + ".pid"), 5000);
        if (body == WithHelper)
            QTRY_VERIFY_WITH_TIMEOUT(gone(path + ".helper"), 5000);
        if (expected.contains("TimedOut"))
            QVERIFY2(clock.elapsed() >= 500 && clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    void unusableToolIsNotStarted()
    {
        for (const bool exists : {false, true}) {
            const QString path = exists ? tool("exit 1", false) : m_dir.filePath("absent");
            Controller controller(path);
            QVERIFY(!controller.start(Controller::ProgressLevel) && !controller.isRunning());
            QCOMPARE(controller.lastResult().failure, Failure::ToolMissing);
            QVERIFY(!QFile::exists(path + ".pid") && updateWindows("progress").isEmpty() && updateWindows("failure").size() == 1);
            cleanup();
        }
    }

    // The button starts a check that shows its result; the windows go as the
    // application quits (left to ~QApplication, deleting them crashed inside Qt).
    void buttonChecksAndTheWindowsGoAtQuit()
    {
        UpdateButton button;
        QVERIFY(!button.isEnabled());
        auto *controller = new Controller(tool("exit 1"));
        button.setController(controller);
        button.click();
        QTRY_VERIFY_WITH_TIMEOUT(updateWindows("noUpdates").size() == 1, 10000);
        const QPointer<QWidget> shown = updateWindows("noUpdates").value(0);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        QVERIFY(!shown);
        delete controller;
        QVERIFY(!button.isEnabled());
    }
};

QTEST_MAIN(TestAutoUpdater)
#include "tst_autoupdater.moc"
