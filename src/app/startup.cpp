// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "enginewarmup.h"
#include "mainwindow.h"
#include "mprisservice.h"
#include "quitonsignal.h"
#include "sessionbus.h"
#include "sonavel_config.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QUrl>

void installTranslators(QApplication &app, Translators &translators)
{
    const QString language = QLocale::system().name().section(QLatin1Char('_'), 0, 0);

    // A missing catalogue leaves its translator empty; the French texts stand.
    (void)translators.qtTranslator.load(QLatin1String("qt_") + language,
                                        QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    app.installTranslator(&translators.qtTranslator);

    (void)translators.updaterTranslator.load(QLatin1String("translations/" SONAVEL_UPDATER_CATALOGUE "_") + language
                                             + QLatin1String(".qm"));
    app.installTranslator(&translators.updaterTranslator);

    (void)translators.appTranslator.load(QLatin1String("translations/" SONAVEL_APP_CATALOGUE "_") + language
                                         + QLatin1String(".qm"));
    app.installTranslator(&translators.appTranslator);
}

int runSonavel(int &argc, char **argv, const std::function<void(MainWindow &)> &ready)
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

    // The first Sonavel of the session takes the player's name on the bus
    // before anything else: of several started at once, the others see it
    // taken and hand their songs over to it.
    MprisService mpris;

    // QApplication has taken out the options it knows; what follows our name
    // is a song from the file manager. One song at a time: only the first counts.
    QString song = app.arguments().value(1);
    // Qt reads arguments in the locale's encoding; a file name that is not
    // valid in it (lat\xe9.mp3 under UTF-8) goes on as a URI, which keeps its bytes.
    if (argc > 1 && QFile::encodeName(song) != argv[1]) {
        const QByteArray name(argv[1]);
        song = QString::fromLatin1(
            "file://" + (name.startsWith('/') ? name : QFile::encodeName(QDir::currentPath()) + '/' + name).toPercentEncoding("/"));
    }
    if (!song.isEmpty() && mpris.serviceName() != MprisService::mainName) {
        // A song opened from outside goes to the window already open; if
        // that one does not answer at once, we play it ourselves.
        const QUrl file = MainWindow::localFileUrl(song);
        if (!file.isEmpty() && handOffToRunningPlayer(file, 1000))
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
    // Media keys, the desktop's player widget and playerctl reach the window
    // once the event loop runs.
    mpris.attach(&window);
    // Qt read it for that first window and keeps its choice; whatever we start
    // from now on gets the environment as it was.
    if (defaultGl)
        qunsetenv("QT_XCB_GL_INTEGRATION");
    quitOnSignals();
    if (ready)
        ready(window);
    return app.exec();
}
