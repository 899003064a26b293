#include <updatebutton.h>
#include <updatecontroller.h>

#include <QtTest>
#include <QtWidgets>

#include <cerrno>
#include <csignal>

using namespace QtAutoUpdater;
using Result = UpdateController::Result;
using Status = UpdateController::Status;
using Failure = UpdateController::Failure;

namespace {

const QByteArray TwoUpdates = "echo '<updates><update name=\"Sonavel\" version=\"4.2.0\" size=\"3145728\"/>"
                              "<update name=\"Codecs\" version=\"1.1\" size=\"2048\"/></updates>'";

// A stand-in maintenance tool. Every call is logged to "<tool>.calls";
// --updater exits at once; anything but exactly "--checkupdates" exits 42,
// so a wrong command line shows up as a failed check.
QString writeTool(const QString &path, const QByteArray &body, bool executable = true)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$0.calls\"\n"
               "[ \"$#\" -eq 1 ] && [ \"$1\" = --updater ] && exit 0\n"
               "[ \"$#\" -eq 1 ] && [ \"$1\" = --checkupdates ] || exit 42\n" + body + "\n");
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::Permissions()));
    return path;
}

QByteArray calls(const QString &tool)
{
    QFile file(tool + QStringLiteral(".calls"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool processGone(const QString &tool)
{
    QFile file(tool + QStringLiteral(".pid"));
    const pid_t pid = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
    return pid > 0 && ::kill(pid, 0) == -1 && errno == ESRCH;
}

QList<QWidget *> windows(const QString &name)
{
    QList<QWidget *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("qtautoupdater_") + name && w->isVisible())
            found.append(w);
    }
    return found;
}

int windowCount(const QString &name) { return windows(name).size(); }
QWidget *window(const QString &name) { return windows(name).value(0); }

Result waitForResult(QSignalSpy &spy)
{
    return spy.isEmpty() && !spy.wait(10000) ? Result() : spy.first().first().value<Result>();
}

} // namespace

class TestAutoUpdater : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString tool(const QByteArray &body, bool executable = true)
    {
        return writeTool(m_dir.filePath(QStringLiteral("mt")), body, executable);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath(QStringLiteral("mt.calls")));
        QFile::remove(m_dir.filePath(QStringLiteral("mt.pid")));
    }

    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName().startsWith(QLatin1String("qtautoupdater_")))
                delete w;
        }
    }

    void relativeToolIsFoundInApplicationDirectory()
    {
        // A decoy in the current directory must not be picked up instead.
        const QString name = QStringLiteral("fake-mt-%1").arg(QCoreApplication::applicationPid());
        const QString appTool = writeTool(QCoreApplication::applicationDirPath() + '/' + name, TwoUpdates);
        const QString decoy = writeTool(m_dir.filePath(name), "exit 1");
        const QString previousDir = QDir::currentPath();
        QVERIFY(!appTool.isEmpty() && QDir::setCurrent(m_dir.path()));

        UpdateController controller(name + QStringLiteral(".exe"));
        QSignalSpy finished(&controller, &UpdateController::checkFinished);
        const bool started = controller.start(UpdateController::AutomaticLevel);
        const Result result = waitForResult(finished);
        QDir::setCurrent(previousDir);
        QFile::remove(appTool);
        QFile::remove(appTool + ".calls");

        QVERIFY(started);
        QCOMPARE(controller.maintenanceToolPath(), appTool);
        QCOMPARE(UpdateController::resolveToolPath("sub/../b/mt.EXE"), QCoreApplication::applicationDirPath() + "/b/mt");
        QCOMPARE(result.status, Status::UpdatesAvailable);
        QVERIFY(calls(decoy).isEmpty());
    }

    void reportsOutcome_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<Status>("status");
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("errorOutput");

        QTest::newRow("updates") << TwoUpdates << Status::UpdatesAvailable << Failure::None << 0 << "";
        QTest::newRow("log lines around the list")
            << QByteArray("echo 'IFW Version: 4.5'\nprintf '<updates>\\n <update name=\"Sonavel\" version=\"4.2.0\" "
                          "size=\"3145728\"/>\\n <update name=\"Codecs\" version=\"1.1\" size=\"2048\"></update>\\n"
                          "</updates>\\n'\necho 'Done.'")
            << Status::UpdatesAvailable << Failure::None << 0 << "";
        QTest::newRow("none") << QByteArray("echo 'No updates available.'\nexit 1")
                              << Status::NoUpdates << Failure::None << 1 << "";
        QTest::newRow("garbage, exit 0") << QByteArray("echo '<update name=\"x\"/> <updates><oops'")
                                         << Status::Failed << Failure::InvalidOutput << 0 << "";
        QTest::newRow("exit 2") << QByteArray("echo '  network unreachable ' >&2\nexit 2")
                                << Status::Failed << Failure::ExitCode << 2 << "network unreachable";
        QTest::newRow("segfault") << QByteArray("echo dying >&2\nkill -SEGV $$")
                                  << Status::Failed << Failure::Crashed << -1 << "dying";
        QTest::newRow("killed") << QByteArray("kill -9 $$") << Status::Failed << Failure::Crashed << -1 << "";
    }

    void reportsOutcome()
    {
        QFETCH(QByteArray, body);
        QFETCH(Status, status);
        QFETCH(Failure, failure);
        QFETCH(int, exitCode);
        QFETCH(QString, errorOutput);

        UpdateController controller(tool(body));
        QSignalSpy running(&controller, &UpdateController::runningChanged);
        QSignalSpy finished(&controller, &UpdateController::checkFinished);
        QVERIFY(controller.start(UpdateController::AutomaticLevel));
        QVERIFY(controller.isRunning() && finished.isEmpty());

        const Result result = waitForResult(finished);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(result.status, status);
        QCOMPARE(result.failure, failure);
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(result.errorOutput, errorOutput);
        QCOMPARE(result.errorString.isEmpty(), status != Status::Failed);
        QVERIFY2(result.errorString.contains(errorOutput), qPrintable(result.errorString));
        QCOMPARE(controller.lastResult().status, status);
        QCOMPARE(running.count(), 2);
        QVERIFY(!running.at(1).first().toBool() && !controller.isRunning());
        QCOMPARE(calls(controller.maintenanceToolPath()), QByteArray("--checkupdates\n"));

        QCOMPARE(result.updates.size(), status == Status::UpdatesAvailable ? 2 : 0);
        if (!result.updates.isEmpty()) {
            QCOMPARE(result.updates.at(0).name, QStringLiteral("Sonavel"));
            QCOMPARE(result.updates.at(0).version, QStringLiteral("4.2.0"));
            QCOMPARE(result.updates.at(0).size, qint64(3145728));
            QCOMPARE(result.updates.at(1).size, qint64(2048));
        }
    }

    void rejectsUnusableTool_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<Failure>("failure");
        QTest::newRow("missing") << false << Failure::ToolMissing;
        QTest::newRow("not executable") << true << Failure::ToolNotExecutable;
    }

    void rejectsUnusableTool()
    {
        QFETCH(bool, exists);
        QFETCH(Failure, failure);

        const QString path = exists ? tool("exit 1", false) : m_dir.filePath(QStringLiteral("absent"));
        UpdateController controller(path);
        QSignalSpy running(&controller, &UpdateController::runningChanged);
        QSignalSpy finished(&controller, &UpdateController::checkFinished);
        QVERIFY(!controller.start(UpdateController::ProgressLevel));

        // Reported at once; nothing was started or shown as busy.
        QCOMPARE(finished.count(), 1);
        QVERIFY(running.isEmpty() && calls(path).isEmpty());
        QCOMPARE(windowCount("progress"), 0);
        QCOMPARE(controller.lastResult().failure, failure);
        QVERIFY(controller.lastResult().errorString.contains(path));
        auto *box = qobject_cast<QMessageBox *>(window("failure"));
        QVERIFY(box);
        QCOMPARE(box->informativeText(), controller.lastResult().errorString);
    }

    void toolThatCannotStartFails()
    {
        // Executable, so it passes the early checks, but exec() fails.
        QFile file(m_dir.filePath(QStringLiteral("badinterpreter")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("#!/nonexistent/sh\n") > 0);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        UpdateController controller(file.fileName());
        QSignalSpy finished(&controller, &UpdateController::checkFinished);
        QVERIFY(controller.start(UpdateController::ExtendedInfoLevel));
        QCOMPARE(waitForResult(finished).failure, Failure::FailedToStart);
        QVERIFY(!controller.isRunning() && window("failure"));
    }

    void slowToolTimesOutWithoutBlocking_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("minimumTime");
        QTest::newRow("stops on request") << QByteArray("echo $$ > \"$0.pid\"\nexec sleep 30") << 500;
        QTest::newRow("ignores SIGTERM")
            << QByteArray("trap '' TERM\necho $$ > \"$0.pid\"\nwhile :; do sleep 0.05; done")
            << 500 + UpdateController::TerminateGracePeriod;
    }

    void slowToolTimesOutWithoutBlocking()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, minimumTime);
        UpdateController controller(tool(body));
        controller.setCheckTimeout(500);
        QSignalSpy finished(&controller, &UpdateController::checkFinished);
        int ticksWhileRunning = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ticksWhileRunning += controller.isRunning(); });
        ticker.start(20);

        QElapsedTimer clock;
        clock.start();
        QVERIFY(controller.start(UpdateController::AutomaticLevel));
        QVERIFY(clock.elapsed() < 300);
        QVERIFY(!controller.start(UpdateController::ProgressLevel));

        QCOMPARE(waitForResult(finished).failure, Failure::TimedOut);
        QVERIFY2(clock.elapsed() >= minimumTime && clock.elapsed() < minimumTime + 3000,
                 qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(ticksWhileRunning >= 5, qPrintable(QString::number(ticksWhileRunning)));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(calls(controller.maintenanceToolPath()), QByteArray("--checkupdates\n"));
        QVERIFY(processGone(controller.maintenanceToolPath()));
        QCOMPARE(windowCount("progress"), 0);
    }

    void cancelStopsTheCheckSilently()
    {
        UpdateController controller(tool("echo $$ > \"$0.pid\"\nexec sleep 30"));
        QSignalSpy finished(&controller, &UpdateController::checkFinished);
        QVERIFY(controller.start(UpdateController::ProgressLevel));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(controller.maintenanceToolPath() + ".pid"), 5000);
        window("progress")->findChild<QPushButton *>()->click();
        QCOMPARE(waitForResult(finished).failure, Failure::Canceled);
        QVERIFY(processGone(controller.maintenanceToolPath()));
        QCOMPARE(windowCount("progress") + windowCount("failure"), 0);
    }

    void windowsFollowDisplayLevel_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown");

        QTest::newRow("automatic, updates") << 0 << TwoUpdates << "";
        QTest::newRow("exit level, updates") << 1 << TwoUpdates << "";
        QTest::newRow("info, updates") << 2 << TwoUpdates << "updates";
        QTest::newRow("info, none") << 2 << QByteArray("exit 1") << "";
        QTest::newRow("info, failure") << 2 << QByteArray("exit 3") << "";
        QTest::newRow("extended, none") << 3 << QByteArray("exit 1") << "noUpdates";
        QTest::newRow("extended, failure") << 3 << QByteArray("exit 3") << "failure";
        QTest::newRow("progress, updates") << 4 << TwoUpdates << "updates";
        QTest::newRow("progress, none") << 4 << QByteArray("exit 1") << "noUpdates";
        QTest::newRow("progress, failure") << 4 << QByteArray("echo 'disk full' >&2\nexit 3") << "failure";
    }

    void windowsFollowDisplayLevel()
    {
        QFETCH(int, level);
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);

        UpdateController controller(tool("sleep 0.2\n" + body));
        QSignalSpy finished(&controller, &UpdateController::checkFinished);
        QVERIFY(controller.start(UpdateController::DisplayLevel(level)));
        QCOMPARE(windowCount("progress"), level >= 4 ? 1 : 0);
        waitForResult(finished);

        QCOMPARE(windowCount("progress"), 0);
        for (const char *name : {"updates", "noUpdates", "failure"})
            QCOMPARE(windowCount(name), shown == QLatin1String(name) ? 1 : 0);
        if (shown == QLatin1String("updates")) {
            // Not detailed: a plain list.
            QVERIFY(!window(shown)->findChild<QTreeWidget *>());
            auto *list = window(shown)->findChild<QListWidget *>();
            QCOMPARE(list ? list->count() : -1, 2);
            QCOMPARE(list->item(0)->text(), QStringLiteral("Sonavel (version 4.2.0)"));
        } else if (level == 4 && shown == QLatin1String("failure")) {
            const QString text = qobject_cast<QMessageBox *>(window(shown))->informativeText();
            QVERIFY2(text.contains(QLatin1String("exit code 3")) && text.contains(QLatin1String("disk full")),
                     qPrintable(text));
        }
    }

    void askLevelAsksFirst()
    {
        UpdateController controller(tool(TwoUpdates));
        QSignalSpy finished(&controller, &UpdateController::checkFinished);
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            QVERIFY(controller.start(UpdateController::AskLevel));
            QVERIFY(!controller.start(UpdateController::AskLevel));
            QCOMPARE(windowCount("progress"), 0);
            qobject_cast<QMessageBox *>(window("ask"))->button(answer)->click();
            QCOMPARE(windowCount("progress"), answer == QMessageBox::Yes ? 1 : 0);
        }
        // Declining ran nothing and reported nothing.
        QCOMPARE(waitForResult(finished).status, Status::UpdatesAvailable);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(windowCount("updates"), 1);
        QCOMPARE(calls(controller.maintenanceToolPath()), QByteArray("--checkupdates\n"));
    }

    void detailedListRunsUpdaterNowOrOnExit()
    {
        UpdateController controller(tool(TwoUpdates));
        controller.setDetailedUpdateInfo(true);
        QSignalSpy launched(&controller, &UpdateController::updaterLaunched);
        QSignalSpy finished(&controller, &UpdateController::checkFinished);
        const QString path = controller.maintenanceToolPath();

        QVERIFY(controller.start(UpdateController::InfoLevel) && finished.wait());
        auto *table = window("updates")->findChild<QTreeWidget *>();
        QCOMPARE(table ? table->topLevelItemCount() : -1, 2);
        QCOMPARE(table->topLevelItem(0)->text(0), QStringLiteral("Sonavel"));
        QCOMPARE(table->topLevelItem(0)->text(1), QStringLiteral("4.2.0"));
        QCOMPARE(table->topLevelItem(0)->text(2), QLocale().formattedDataSize(3145728));
        QCOMPARE(table->topLevelItem(1)->text(2), QLocale().formattedDataSize(2048));

        window("updates")->findChild<QPushButton *>("updateNowButton")->click();
        QCOMPARE(launched.count(), 1);
        QCOMPARE(windowCount("updates"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(calls(path), QByteArray("--checkupdates\n--updater\n"), 5000);

        QVERIFY(controller.start(UpdateController::InfoLevel) && finished.wait());
        window("updates")->findChild<QPushButton *>("updateOnExitButton")->click();
        QVERIFY(controller.isUpdaterScheduledOnExit());
        QCOMPARE(launched.count(), 1);
        QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
        QCOMPARE(launched.count(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(calls(path), QByteArray("--checkupdates\n--updater\n--checkupdates\n--updater\n"),
                                  5000);
    }

    void windowsOpenAtExitAreHarmless()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        QProcess child;
        QSignalSpy finished(&child, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--exit-scenario"), tool(TwoUpdates)});
        QVERIFY(finished.wait(20000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit, child.readAllStandardError().constData());
        QCOMPARE(child.exitCode(), 0);
    }

    void buttonFollowsItsController()
    {
        UpdateButton button(nullptr, nullptr);
        button.show();
        auto *check = button.findChild<QPushButton *>();
        auto *busy = button.findChild<QProgressBar *>();
        QVERIFY(!button.isEnabled() && !busy->isVisible());

        UpdateController first(tool("sleep 0.3\nexit 1"));
        auto *second = new UpdateController(writeTool(m_dir.filePath("second"), "sleep 0.3\nexit 1"));
        QSignalSpy finished(&first, &UpdateController::checkFinished);
        button.setController(&first);
        QVERIFY(button.isEnabled());
        check->click();
        QCOMPARE(first.currentDisplayLevel(), UpdateController::ProgressLevel);
        QCOMPARE(windowCount("progress"), 1);
        QVERIFY(busy->isVisible() && !check->isEnabled());
        QVERIFY(finished.wait());
        QVERIFY(!busy->isVisible() && check->isEnabled());

        // Rebound: the old controller no longer drives it, the new one does.
        button.setController(second);
        QVERIFY(first.start(UpdateController::AutomaticLevel));
        QVERIFY(!busy->isVisible());
        check->click();
        QVERIFY(second->isRunning() && busy->isVisible());

        // Deleted mid-check: the widget lets go of it.
        delete second;
        QVERIFY(!button.controller() && !button.isEnabled() && !busy->isVisible());
        check->click();
    }
};

// Child mode for windowsOpenAtExitAreHarmless(): the player's set-up, a
// controller owned by the application, quitting with our windows open.
static int runExitScenario(int argc, char **argv)
{
    QApplication app(argc, argv);
    auto *controller = new UpdateController(QString::fromLocal8Bit(argv[2]), &app);
    QObject::connect(controller, &UpdateController::checkFinished, &app, [] { QCoreApplication::exit(0); });
    controller->start(UpdateController::ProgressLevel);
    if (app.exec() != 0 || windowCount("updates") != 0)
        return 3;
    // Opened after the event loop is gone, so still there at teardown.
    controller->start(UpdateController::AskLevel);
    return windowCount("ask") == 1 ? 0 : 4;
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--exit-scenario") == 0)
        return runExitScenario(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestAutoUpdater test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_autoupdater.moc"
