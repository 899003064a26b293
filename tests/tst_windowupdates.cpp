// The window's update set-up against a fake maintenance tool beside the test binary.

#include "mainwindow.h"
#include "testsupport.h"

#include <updatebutton.h>
#include <updatecontroller.h>

using QtAutoUpdater::UpdateController;

class TestWindowUpdates : public QObject
{
    Q_OBJECT
    MainWindow *window = nullptr;

    QString path(const char *suffix = "") const { return QCoreApplication::applicationDirPath() + "/maintenancetool" + suffix; }
    UpdateController *controller() const { return window->findChild<QtAutoUpdater::UpdateButton *>()->controller(); }

    void writeTool(const QByteArray &answer)
    {
        QVERIFY(::writeTool(path(), "[ \"$1\" = --updater ] && exit 0\ncat /proc/$$/environ > \"$0.env\"\n" + answer));
    }

    QStringList read(const char *suffix, char separator = '\n') const
    {
        QStringList entries;
        for (const QByteArray &entry : readAll(path(suffix)).split(separator))
            if (!entry.isEmpty())
                entries << QString::fromLocal8Bit(entry);
        entries.sort();
        return entries;
    }

    QWidget *shown(const char *name) const { return shownWindows(name).value(0); }

private slots:
    void cleanup()
    {
        delete window;
        window = nullptr;
        for (QWidget *widget : shownWindows("qtautoupdater_"))
            widget->close();
        for (const char *suffix : {"", ".log", ".env", ".pid"})
            QFile::remove(path(suffix));
    }

    void quietCheckRunsOnceWithTheStartingEnvironment()
    {
        writeTool("sleep 0.3\nexit 1");
        QStringList startingEnvironment = QProcessEnvironment::systemEnvironment().toStringList();
        startingEnvironment.sort();
        // As main() does: a variable for the window's start-up alone.
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        window = new MainWindow;
        QPointer<UpdateController> controller = this->controller();
        QVERIFY(controller->isRunning() && controller->isDetailedUpdateInfo());
        QCOMPARE(controller->currentDisplayLevel(), UpdateController::InfoLevel);
        window->show();
        qunsetenv("QT_XCB_GL_INTEGRATION");

        QVERIFY(!window->findChild<QtAutoUpdater::UpdateButton *>()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!controller->isRunning(), 10000);
        QCOMPARE(controller->lastResult().status, UpdateController::Status::NoUpdates);
        QCOMPARE(read(".log"), QStringList({"--checkupdates"}));
        QCOMPARE(read(".env", '\0'), startingEnvironment);
        QVERIFY(!shown("qtautoupdater_noUpdates"));
        delete window;
        window = nullptr;
        QVERIFY(controller && controller->parent() == qApp);
    }

    void menuCommandDuringTheQuietCheckShowsIt()
    {
        writeTool("sleep 0.5\nexit 1");
        window = new MainWindow;
        auto *menuCommand = child<QAction>(window, "actionV_rifier_les_mises_jour_2");
        menuCommand->trigger();
        QVERIFY(shown("qtautoupdater_progress"));
        QTRY_VERIFY_WITH_TIMEOUT(shown("qtautoupdater_noUpdates"), 10000);
        QVERIFY(!shown("qtautoupdater_progress"));
        QCOMPARE(read(".log"), QStringList({"--checkupdates"}));

        menuCommand->trigger();
        QVERIFY(controller()->isRunning() && shown("qtautoupdater_progress"));
        QTRY_VERIFY_WITH_TIMEOUT(!controller()->isRunning(), 10000);
        QCOMPARE(read(".log"), QStringList({"--checkupdates", "--checkupdates"}));
    }

    void playerWorksWithoutAnyTool()
    {
        window = new MainWindow;
        window->show();
        QCOMPARE(controller()->lastResult().failure, UpdateController::Failure::ToolMissing);
        QVERIFY(!shown("qtautoupdater_failure"));
        child<QSlider>(window, "slider_Volume")->setValue(30);
        QCOMPARE(window->findChild<QMediaPlayer *>()->volume(), 30);
    }

    void updateNowStartsTheUpdaterAndQuits()
    {
        writeTool("echo '<updates><update name=\"Sonavel\" version=\"4.2\"/></updates>'");
        window = new MainWindow;
        window->show();
        QSignalSpy launched(controller(), &UpdateController::updaterLaunched);
        QWidget *updates = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((updates = shown("qtautoupdater_updates")), 10000);

        QTimer::singleShot(0, child<QPushButton>(updates, "updateNowButton"), &QPushButton::click);
        QTimer stuck;
        connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        stuck.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!window->isVisible());
        QCOMPARE(launched.count(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(read(".log"), QStringList({"--checkupdates", "--updater"}), 5000);
    }
};

QTEST_MAIN(TestWindowUpdates)
#include "tst_windowupdates.moc"
