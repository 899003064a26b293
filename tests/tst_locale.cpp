// SPDX-License-Identifier: GPL-3.0-or-later
// `tst_locale fr|en|de`: the program's own start-up (runSonavel()), then texts fetched later in
// that language (the form, built first, stays French), and a quit returning 0.
// SONAVEL_SCREENSHOT=<file.png> saves the window stopped (the README's pictures).

#include "startup.h"
#include "testsupport.h"

#include <cstring>

namespace {

int language = 0; // 0 French, 1 English, 2 German
QStringList failures;

// One text is the form's French, whatever the language; three are fr, en, de.
void check(const char *what, const QString &actual, std::initializer_list<const char *> texts)
{
    const QString wanted = QString::fromUtf8(texts.size() == 1 ? *texts.begin() : texts.begin()[language]);
    if (actual != wanted)
        failures << QStringLiteral("%1: got \"%2\", expected \"%3\"").arg(QLatin1String(what), actual, wanted);
}

void exercise(QMainWindow *window)
{
    QStatusBar *status = window->statusBar();
    check("form", child<QMenu>(window, "menuAide")->title() + '|' + child<QPushButton>(window, "button_muteSong")->toolTip(),
          {"Aide|Le son est activé"});

    child<QAction>(window, "actionStop")->trigger();
    const QString screenshot = qEnvironmentVariable("SONAVEL_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        // Lay the status bar out first: until then its message paints nowhere.
        status->layout()->activate();
        if (!window->grab().save(screenshot))
            failures << QStringLiteral("could not save ") + screenshot;
    }

    auto *mute = child<QAction>(window, "actionCouperSon");
    mute->trigger();
    check("mute", status->currentMessage() + '|' + mute->text(),
          {"Le son est coupé|Activer le son", "Sound is off|Unmute", "Der Ton ist ausgeschaltet|Ton einschalten"});

    answerFileDialog(audioFile("tagged.mp3"));
    child<QAction>(window, "actionOuvrir")->trigger();
    auto *title = child<QLabel>(window, "label_fileName");
    (void)QTest::qWaitFor([title] { return !title->text().isEmpty(); }, 10000); // the check below reports a miss
    check("labels", title->text() + '|' + child<QLabel>(window, "label_albumArtist")->text(),
          {"Titre: Chanson d'essai|Artiste: Groupe d'essai", "Title: Chanson d'essai|Artist: Groupe d'essai",
           "Titel: Chanson d'essai|Künstler: Groupe d'essai"});

    child<QAction>(window, "actionLancer")->trigger();
    QStringList names;
    for (const char *name : {"button_playPause", "button_muteSong", "slider_MusicProgress"})
        names << QAccessible::queryAccessibleInterface(child<QWidget>(window, name))->text(QAccessible::Name);
    check("accessible names", names.join('|'),
          {"Mettre en pause|Activer le son|Progression de la musique", "Pause|Unmute|Music progress",
           "Pausieren|Ton einschalten|Wiedergabefortschritt"});

    QString quit;
    answerMessageBox(QMessageBox::Yes, &quit);
    child<QAction>(window, "actionQuitter")->trigger();
    check("quit", quit,
          {"Voulez-vous quitter ?|Voulez-vous vraiment fermer l'application ?",
           "Do you want to quit?|Do you really want to close the application?",
           "Wirklich beenden?|Möchten Sie die Anwendung wirklich schließen?"});
}

} // namespace

int main(int argc, char *argv[])
{
    const char *const languages[] = {"fr", "en", "de"};
    while (argc > 1 && language < 3 && strcmp(argv[1], languages[language]))
        ++language;
    if (argc < 2 || language == 3)
        qFatal("usage: %s fr|en|de", argv[0]);
    argv[1] = argv[0]; // the program sees only its own name, as when started by hand

    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    int appArgc = argc - 1;
    const int exitCode = runSonavel(appArgc, argv + 1, [](MainWindow &window) {
        QTimer::singleShot(0, &window, [&window] { exercise(&window); });
    });
    if (exitCode != 0)
        failures << QStringLiteral("the event loop returned %1").arg(exitCode);
    const QString where = QLocale::system().name() + QStringLiteral(" in ") + QDir::currentPath();
    if (!failures.isEmpty()) {
        fprintf(stderr, "FAIL (%s):\n  %s\n", qPrintable(where), qPrintable(failures.join(QStringLiteral("\n  "))));
        return 1;
    }
    printf("PASS (%s): texts as expected, the event loop returned 0 after a confirmed quit\n", qPrintable(where));
    return 0;
}
