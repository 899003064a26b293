#include "enginewarmup.h"
#include "mainwindow.h"
#include "mprisservice.h"
#include "quitonsignal.h"
#include "sessionbus.h"
#include "startup.h"

#include <QApplication>
#include <QUrl>

int main(int argc, char *argv[])
{
    // Nothing here draws with OpenGL, yet on X11 Qt loads the GL stack for
    // the first window unless told otherwise: with Mesa that is LLVM, about
    // half of our memory and a third of our start-up. A user's own setting wins.
    const bool defaultGl = !qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION");
    if (defaultGl)
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    // The window and its launcher are one entry in docks and task bars.
    QGuiApplication::setDesktopFileName(QStringLiteral(SONAVEL_APP_ID));

    // QApplication has taken out the options it knows; what follows our name
    // is a song from the file manager. One song at a time: only the first counts.
    const QString song = app.arguments().value(1);
    if (!song.isEmpty()) {
        // A song opened from outside goes to the window already open; if
        // that one does not answer at once, we play it ourselves.
        const QString path = MainWindow::localFilePath(song);
        if (!path.isEmpty() && handOffToRunningPlayer(QUrl::fromLocalFile(path), 1000))
            return 0;
    }

    // With a song to play, the engine loads what playing needs while the
    // window is being built.
    EngineWarmUp warmUp(!song.isEmpty());

    // The window is built before any translator is installed: its form keeps
    // the French source texts, and only texts fetched later are translated.
    MainWindow window;

    Translators translators;
    installTranslators(app, translators);

    // The engine opens the song in its own threads while the window is shown.
    if (!song.isEmpty())
        window.openFile(song);
    window.show();
    // Media keys, the desktop's player widget and playerctl reach the window here.
    MprisService mpris(&window);
    // Qt read it for that first window and keeps its choice; whatever we start
    // from now on gets the environment as it was.
    if (defaultGl)
        qunsetenv("QT_XCB_GL_INTEGRATION");
    quitOnSignals();
    return app.exec();
}
