// Runs the program's own main() end to end: it must build the window, enter
// the event loop and come back with 0 once the user quits through the menu.

#include "testsupport.h"

#include <QAction>
#include <QMainWindow>
#include <QTimer>
#include <QtTest>

int sonavelMain(int argc, char *argv[]);

namespace {

bool sawQuestion = false;
bool windowWasShown = false;

// Runs as soon as main() has created the application object.
void quitOnceShown()
{
    QTimer::singleShot(0, [] {
        QMainWindow *window = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *main = qobject_cast<QMainWindow *>(widget))
                window = main;
        windowWasShown = window && window->isVisible() && window->windowTitle() == QLatin1String("Sonavel");
        if (!window) {
            QApplication::exit(3);
            return;
        }
        auto *seen = new SeenMessageBox;
        answerMessageBox(QMessageBox::Yes, seen);
        QTimer::singleShot(0, window, [window, seen] {
            window->findChild<QAction *>(QStringLiteral("actionQuitter"))->trigger();
            sawQuestion = seen->seen && seen->title == QLatin1String("Voulez-vous quitter ?");
            delete seen;
        });
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    qAddPreRoutine(quitOnceShown);
    const int exitCode = sonavelMain(argc, argv);
    if (exitCode != 0 || !windowWasShown || !sawQuestion) {
        fprintf(stderr, "FAIL: exit code %d, window shown %d, quit question seen %d\n", exitCode, windowWasShown,
                sawQuestion);
        return 1;
    }
    printf("PASS: main() showed the window and returned 0 after a confirmed quit\n");
    return 0;
}
