// SPDX-License-Identifier: GPL-3.0-or-later
// The window's update set-up against a fake maintenance tool beside the test binary.

#include "mainwindow.h"
#include "testsupport.h"

#include "updatebutton.h"
#include "updatecontroller.h"

class TestWindowUpdates : public QObject
{
    Q_OBJECT

    QString path(const char *suffix = "") const { return QCoreApplication::applicationDirPath() + "/maintenancetool" + suffix; }
    QWidget *shown(const char *name) const { return updateWindows(name).value(0); }

private slots:
    // A quiet check at start-up, with the environment the user started us with;
    // the menu command shows a check under way, and starts one otherwise.
    void quietCheckAtStartAndOnDemand()
    {
        QVERIFY(writeTool(path(), "cat /proc/$$/environ > \"$0.env\"\nsleep 0.5\n"
                                  "echo '<updates><update name=\"Sonavel\" version=\"4.2\"/></updates>'"));
        QStringList startingEnvironment = QProcessEnvironment::systemEnvironment().toStringList();
        startingEnvironment.sort();
        // As main() does: a variable for the window's start-up alone.
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        auto *window = new MainWindow;
        auto *button = window->findChild<QtAutoUpdater::UpdateButton *>();
        QPointer<QtAutoUpdater::UpdateController> controller = button->controller();
        QVERIFY(controller->isRunning() && !shown("progress"));
        window->show();
        qunsetenv("QT_XCB_GL_INTEGRATION");
        QVERIFY(!button->isVisible());

        auto *menuCommand = child<QAction>(window, "actionV_rifier_les_mises_jour_2");
        menuCommand->trigger();
        QVERIFY(shown("progress"));
        QWidget *updates = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((updates = shown("updates")), 10000);
        // Detailed: the list names the version.
        QVERIFY(!shown("progress") && updates->findChild<QLabel *>("qt_msgbox_informativelabel")->text().contains("<td>4.2</td>"));
        QCOMPARE(readAll(path(".log")), QByteArray("--checkupdates\n"));
        const QByteArray written = readAll(path(".env")); // NUL-separated: the QByteArray overload would stop at the first
        QStringList environment = QString::fromLocal8Bit(written.constData(), written.size()).split(QChar(0), Qt::SkipEmptyParts);
        environment.sort();
        QCOMPARE(environment, startingEnvironment);

        menuCommand->trigger();
        QVERIFY(controller->isRunning() && shown("progress"));
        QTRY_VERIFY_WITH_TIMEOUT(!controller->isRunning(), 10000);
        QCOMPARE(readAll(path(".log")), QByteArray("--checkupdates\n--checkupdates\n"));
        delete window;
        QVERIFY(controller && controller->parent() == qApp);
        qDeleteAll(updateWindows());
    }
};

QTEST_MAIN(TestWindowUpdates)
#include "tst_windowupdates.moc"
