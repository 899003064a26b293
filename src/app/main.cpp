#include "mainwindow.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Nothing here draws with OpenGL, yet on X11 Qt loads the GL stack for
    // the first window unless told otherwise: with Mesa that is LLVM, about
    // half of our memory and a third of our start-up. A user's own setting wins.
    const bool defaultGl = !qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION");
    if (defaultGl)
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    // The window is built before any translator is installed: its form keeps
    // the French source texts, and only texts fetched later are translated.
    MainWindow window;

    Translators translators;
    installTranslators(app, translators);

    window.show();
    // Qt read it for that first window and keeps its choice; whatever we start
    // from now on gets the environment as it was.
    if (defaultGl)
        qunsetenv("QT_XCB_GL_INTEGRATION");
    return app.exec();
}
