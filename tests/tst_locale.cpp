// Runs the program's own start-up under a given locale and working directory
// and checks which texts come out translated. CTest starts it once per case:
//
//     tst_locale en|de|fr
//
// names the language the texts fetched after start-up must be in ("fr" when
// no catalogue may apply). The form's own texts stay French in every case,
// because the window is built before the translators are installed.
//
// With SONAVEL_SCREENSHOT=<file.png> set, the window is also saved once the
// status bar shows "stopped", for the pictures in the README.

#include "testsupport.h"

#include <QAction>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>
#include <cstring>

int sonavelMain(int argc, char *argv[]);

namespace {

enum Language { French, English, German };
Language expected = French;

// One text per language, in the order of the enum.
struct Text
{
    const char *fr;
    const char *en;
    const char *de;

    QString in(Language language) const
    {
        return QString::fromUtf8(language == English ? en : language == German ? de : fr);
    }
};

QStringList failures;
int checks = 0;

void check(const char *what, const QString &actual, const QString &wanted)
{
    ++checks;
    if (actual != wanted)
        failures << QStringLiteral("%1: got \"%2\", expected \"%3\"").arg(QLatin1String(what), actual, wanted);
}

void checkForm(const char *what, const QString &actual, const char *french)
{
    check(what, actual, QString::fromUtf8(french));
}

void checkTranslated(const char *what, const QString &actual, const Text &text)
{
    check(what, actual, text.in(expected));
}

QMainWindow *findWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *main = qobject_cast<QMainWindow *>(widget))
            return main;
    return nullptr;
}

void exercise(QMainWindow *window)
{
    auto *status = window->statusBar();
    auto *muteButton = child<QPushButton>(window, "button_muteSong");
    auto *muteAction = child<QAction>(window, "actionCouperSon");
    auto *playAction = child<QAction>(window, "actionLancer");

    // The form, as start-up left it: untouched by any catalogue.
    checkForm("window title", window->windowTitle(), "Sonavel");
    checkForm("File menu", child<QMenu>(window, "menuFichier")->title(), "Fichier");
    checkForm("Controls menu", child<QMenu>(window, "menuControles")->title(), "Controles");
    checkForm("Help menu", child<QMenu>(window, "menuAide")->title(), "Aide");
    checkForm("update action", child<QAction>(window, "actionV_rifier_les_mises_jour_2")->text(),
              "Vérifier les mises à jour");
    checkForm("progress label", child<QLabel>(window, "label")->text(), "Avancement de la musique: ");
    checkForm("open button", child<QPushButton>(window, "button_OuvrirFichier")->text(), "Ouvrir un fichier");
    checkForm("quit button tooltip", child<QPushButton>(window, "button_Quitter")->toolTip(), "Quitter le logiciel");
    checkForm("mute button tooltip at start", muteButton->toolTip(), "Le son est activé");
    checkForm("play action at start", playAction->text(), "Lancer la musique");

    // Texts the slots fetch when they run.
    child<QAction>(window, "actionStop")->trigger();
    checkTranslated("status after stop", status->currentMessage(), {"Musique arrêtée", "Music stopped", "Musik gestoppt"});
    const QString screenshot = qEnvironmentVariable("SONAVEL_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        // This runs before the status bar has laid out its size grip, which
        // bounds the message: without that pass the message paints nowhere.
        status->layout()->activate();
        if (!window->grab().save(screenshot))
            failures << QStringLiteral("could not save %1").arg(screenshot);
    }

    muteAction->trigger();
    const Text soundOff{"Le son est coupé", "Sound is off", "Der Ton ist ausgeschaltet"};
    checkTranslated("status after mute", status->currentMessage(), soundOff);
    checkTranslated("mute button tooltip after mute", muteButton->toolTip(), soundOff);
    checkTranslated("mute action after mute", muteAction->text(), {"Activer le son", "Unmute", "Ton einschalten"});

    muteAction->trigger();
    checkTranslated("status after unmute", status->currentMessage(),
                    {"Le son est activé", "Sound is on", "Der Ton ist eingeschaltet"});
    checkTranslated("mute action after unmute", muteAction->text(), {"Couper le son", "Mute", "Ton ausschalten"});

    // Open a tagged file through the dialog: the labels get their prefixes
    // once it has loaded, and play and pause set their texts.
    QString caption;
    QStringList filters;
    answerFileDialog(audioFile("tagged.mp3"), &caption, &filters);
    child<QAction>(window, "actionOuvrir")->trigger();
    checkTranslated("open dialog title", caption, {"Sélectionner un fichier MP3", "Select an MP3 file", "MP3-Datei auswählen"});
    checkTranslated("open dialog filter", filters.value(0),
                    {"Fichier audio (*.mp3 *.wav *.wave)", "Audio file (*.mp3 *.wav *.wave)",
                     "Audiodatei (*.mp3 *.wav *.wave)"});
    auto *titleLabel = child<QLabel>(window, "label_fileName");
    if (!QTest::qWaitFor([titleLabel] { return !titleLabel->text().isEmpty(); }, 10000))
        failures << QStringLiteral("tagged.mp3 did not load within 10 s");
    checkTranslated("title label", titleLabel->text(),
                    {"Titre: Chanson d'essai", "Title: Chanson d'essai", "Titel: Chanson d'essai"});
    checkTranslated("album label", child<QLabel>(window, "label_albumTitle")->text(),
                    {"Album: Album d'essai", "Album: Album d'essai", "Album: Album d'essai"});
    checkTranslated("artist label", child<QLabel>(window, "label_albumArtist")->text(),
                    {"Artiste: Groupe d'essai", "Artist: Groupe d'essai", "Künstler: Groupe d'essai"});

    playAction->trigger();
    checkTranslated("status after play", status->currentMessage(),
                    {"Musique en cours de lecture", "Music playing", "Musik wird abgespielt"});
    checkTranslated("play action while playing", playAction->text(), {"Mettre en pause", "Pause", "Pausieren"});
    playAction->trigger();
    checkTranslated("status after pause", status->currentMessage(), {"Musique en pause", "Music paused", "Musik pausiert"});
    checkTranslated("play action while paused", playAction->text(),
                    {"Lancer la musique", "Play the music", "Musik abspielen"});
    child<QAction>(window, "actionStop")->trigger();

    // The remaining dialogs: each trigger returns once it has been answered.
    SeenMessageBox about;
    answerMessageBox(QMessageBox::Ok, &about);
    child<QAction>(window, "actionA_propos_du_logiciel")->trigger();
    checkTranslated("about title", about.title, {"A propos du logicel", "About the software", "Über das Programm"});
    checkTranslated("about text", about.text.section(QStringLiteral("<br>Version "), 0, 0),
                    {"Logiciel fait par <b>Quenbrik</b> avec Qt.<br><a href=\"https://quenbrik.fr\">Site de Quenbrik</a>",
                     "Software made by <b>Quenbrik</b> with Qt.<br><a href=\"https://quenbrik.fr\">Quenbrik's website</a>",
                     "Programm von <b>Quenbrik</b>, erstellt mit Qt.<br><a href=\"https://quenbrik.fr\">Website von "
                     "Quenbrik</a>"});

    SeenMessageBox quit;
    answerMessageBox(QMessageBox::Yes, &quit);
    child<QAction>(window, "actionQuitter")->trigger();
    checkTranslated("quit title", quit.title, {"Voulez-vous quitter ?", "Do you want to quit?", "Wirklich beenden?"});
    checkTranslated("quit text", quit.text,
                    {"Voulez-vous vraiment fermer l'application ?", "Do you really want to close the application?",
                     "Möchten Sie die Anwendung wirklich schließen?"});
    if (!quit.seen)
        failures << QStringLiteral("the quit question never came");
}

// Runs as soon as main() has created the application object; the timer fires
// once main() has installed its translators and entered the event loop.
void exerciseOnceRunning()
{
    QTimer::singleShot(0, [] {
        QMainWindow *window = findWindow();
        if (!window || !window->isVisible()) {
            failures << QStringLiteral("no visible main window");
            QApplication::exit(3);
            return;
        }
        exercise(window);
        // The confirmed quit closed the window; whatever the checks found,
        // main() must still come back.
        if (window->isVisible())
            QApplication::exit(4);
    });
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2 || (strcmp(argv[1], "fr") && strcmp(argv[1], "en") && strcmp(argv[1], "de"))) {
        fprintf(stderr, "usage: %s fr|en|de\n", argv[0]);
        return 2;
    }
    expected = !strcmp(argv[1], "en") ? English : !strcmp(argv[1], "de") ? German : French;
    // The program sees only its own name, as when started by hand.
    argv[1] = argv[0];

    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    qAddPreRoutine(exerciseOnceRunning);
    const int exitCode = sonavelMain(argc - 1, argv + 1);

    const QString where = QStringLiteral("locale %1, directory %2").arg(QLocale::system().name(), QDir::currentPath());
    if (exitCode != 0)
        failures << QStringLiteral("main() returned %1").arg(exitCode);
    if (!failures.isEmpty()) {
        fprintf(stderr, "FAIL (%s):\n  %s\n", qPrintable(where), qPrintable(failures.join(QStringLiteral("\n  "))));
        return 1;
    }
    printf("PASS (%s): %d texts as expected, main() returned 0\n", qPrintable(where), checks);
    return 0;
}
