// The window's update set-up against a real (fake) maintenance tool beside
// the test binary: one quiet check when the window is built, one visible
// check per menu command, and a player that works with no tool at all.

#include "mainwindow.h"
#include "testsupport.h"

#include <updatebutton.h>
#include <updatecontroller.h>

#include <QAction>
#include <QFile>
#include <QMediaPlayer>
#include <QSlider>
#include <QtTest>

using QtAutoUpdater::UpdateController;

class TestWindowUpdates : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void constructionStartsOneQuietCheck();
    void menuCommandStartsAVisibleCheck();
    void controllerOutlivesTheWindow();
    void playerWorksWithoutAnyTool();

private:
    QString toolPath() const { return QCoreApplication::applicationDirPath() + QStringLiteral("/maintenancetool"); }
    QString logPath() const { return QCoreApplication::applicationDirPath() + QStringLiteral("/maintenancetool.log"); }
    QStringList calls() const;
    UpdateController *controllerOf(MainWindow *window) const;
    bool windowShown(const char *name) const;

    MainWindow *window = nullptr;
};

void TestWindowUpdates::init()
{
    // The tool answers "no updates" after a moment, and logs how it was called.
    QFile tool(toolPath());
    QVERIFY(tool.open(QIODevice::WriteOnly));
    tool.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\nsleep 0.3\nexit 1\n").arg(logPath()).toUtf8());
    tool.close();
    QVERIFY(tool.setPermissions(tool.permissions() | QFile::ExeOwner));
    QFile::remove(logPath());
}

void TestWindowUpdates::cleanup()
{
    delete window;
    window = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName().startsWith(QLatin1String("qtautoupdater_")))
            widget->close();
    QFile::remove(toolPath());
    QFile::remove(logPath());
}

QStringList TestWindowUpdates::calls() const
{
    QFile log(logPath());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

UpdateController *TestWindowUpdates::controllerOf(MainWindow *window) const
{
    auto *button = window->findChild<QtAutoUpdater::UpdateButton *>();
    return button ? button->controller() : nullptr;
}

bool TestWindowUpdates::windowShown(const char *name) const
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(name) && widget->isVisible())
            return true;
    return false;
}

void TestWindowUpdates::constructionStartsOneQuietCheck()
{
    window = new MainWindow;
    UpdateController *controller = controllerOf(window);
    QVERIFY(controller);
    QCOMPARE(controller->parent(), qApp);
    QVERIFY(controller->isRunning());
    QCOMPARE(controller->currentDisplayLevel(), UpdateController::InfoLevel);
    QVERIFY(controller->isDetailedUpdateInfo());

    window->show();
    QVERIFY(!window->findChild<QtAutoUpdater::UpdateButton *>()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!controller->isRunning(), 10000);
    QCOMPARE(controller->lastResult().status, UpdateController::Status::NoUpdates);
    QCOMPARE(calls(), QStringList({"--checkupdates"}));
    // "No updates" is not worth a window at start-up.
    QVERIFY(!windowShown("qtautoupdater_noUpdates"));
}

void TestWindowUpdates::menuCommandStartsAVisibleCheck()
{
    window = new MainWindow;
    UpdateController *controller = controllerOf(window);
    QTRY_VERIFY_WITH_TIMEOUT(!controller->isRunning(), 10000);

    child<QAction>(window, "actionV_rifier_les_mises_jour_2")->trigger();
    QVERIFY(controller->isRunning());
    QCOMPARE(controller->currentDisplayLevel(), UpdateController::ProgressLevel);
    QVERIFY(windowShown("qtautoupdater_progress"));
    QTRY_VERIFY_WITH_TIMEOUT(windowShown("qtautoupdater_noUpdates"), 10000);
    QCOMPARE(calls(), QStringList({"--checkupdates", "--checkupdates"}));
}

void TestWindowUpdates::controllerOutlivesTheWindow()
{
    window = new MainWindow;
    QPointer<UpdateController> controller = controllerOf(window);
    delete window;
    window = nullptr;
    QVERIFY(controller);
    delete controller;
}

void TestWindowUpdates::playerWorksWithoutAnyTool()
{
    QFile::remove(toolPath());
    window = new MainWindow;
    window->show();
    UpdateController *controller = controllerOf(window);
    QCOMPARE(controller->lastResult().failure, UpdateController::Failure::ToolMissing);
    QVERIFY(!windowShown("qtautoupdater_failure"));

    child<QSlider>(window, "slider_Volume")->setValue(30);
    QCOMPARE(window->findChild<QMediaPlayer *>()->volume(), 30);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestWindowUpdates test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowupdates.moc"
