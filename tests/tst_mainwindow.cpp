// The window without any media: its form, its texts, the volume and mute
// controls, and the dialogs of the quit and about commands.

#include "mainwindow.h"
#include "sonavel_config.h"
#include "testsupport.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { window = new MainWindow; window->show(); }
    void cleanup() { delete window; }

    void windowDeclaresExactlyTheFourteenSlots();
    void formBuildsItsObjectsInOrder();
    void formShowsFrenchTextsAndStartState();
    void eachActionAndItsButtonRunTheSameCommand();
    void volumeAndMuteFollowTheirStateTable();
    void quitAsksAndOnlyYesCloses_data();
    void quitAsksAndOnlyYesCloses();
    void aboutBoxShowsAuthorLinkAndVersion();

private:
    QMediaPlayer *player() const { return window->findChild<QMediaPlayer *>(); }
    QString status() const { return window->statusBar()->currentMessage(); }
    // Everything a volume or mute command can change, in one line.
    QString sound() const;

    MainWindow *window = nullptr;
};

QString TestMainWindow::sound() const
{
    const bool offLook = sameIcon(child<QPushButton>(window, "button_muteSong")->icon(), ":/buttons/mute")
        && sameIcon(child<QAction>(window, "actionCouperSon")->icon(), ":/buttons/unmute")
        && child<QPushButton>(window, "button_muteSong")->toolTip() == QStringLiteral("Le son est coupé")
        && child<QAction>(window, "actionCouperSon")->text() == QStringLiteral("Activer le son");
    const bool onLook = sameIcon(child<QPushButton>(window, "button_muteSong")->icon(), ":/buttons/unmute")
        && sameIcon(child<QAction>(window, "actionCouperSon")->icon(), ":/buttons/mute")
        && child<QPushButton>(window, "button_muteSong")->toolTip() == QStringLiteral("Le son est activé")
        && child<QAction>(window, "actionCouperSon")->text() == QStringLiteral("Couper le son");
    return QStringLiteral("player %1%2, slider %3, label '%4', status '%5', look %6")
        .arg(player()->volume())
        .arg(player()->isMuted() ? " muted" : "")
        .arg(child<QSlider>(window, "slider_Volume")->value())
        .arg(child<QLabel>(window, "label_volumeLevel")->text(), status(),
             onLook ? "on" : offLook ? "off" : "mixed");
}

void TestMainWindow::windowDeclaresExactlyTheFourteenSlots()
{
    const QMetaObject *meta = &MainWindow::staticMetaObject;
    QStringList declared;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        QVERIFY(method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Private);
        declared << QString::fromLatin1(method.methodSignature() + ' ' + method.parameterNames().join(','));
    }
    QCOMPARE(declared, QStringList({"playSong() ", "selectSong() ", "stopSong() ", "muteSong() ", "unmuteSong() ",
                                    "volumeSong(int) volume", "quitterApp() ", "durationChanged(qlonglong) position",
                                    "positionChanged(qlonglong) position", "aboutUs() ", "loadMetaData() ",
                                    "on_slider_MusicProgress_sliderMoved(int) position", "initialiserUpdater() ",
                                    "verifierMiseAJour() "}));
    QCOMPARE(meta->propertyCount(), meta->propertyOffset());

    // Invoking by index reaches the slot itself.
    QVERIFY(meta->method(meta->methodOffset() + 5).invoke(window, Q_ARG(int, 35)));
    QCOMPARE(player()->volume(), 35);
}

void TestMainWindow::formBuildsItsObjectsInOrder()
{
    QStringList created;
    for (QObject *object : window->children() + window->centralWidget()->children())
        if ((qobject_cast<QAction *>(object) || object->parent() == window->centralWidget()) && !object->objectName().isEmpty())
            created << object->objectName();
    QCOMPARE(created.join(' '),
             QStringLiteral("actionOuvrir actionLancer actionStop actionCouperSon actionQuitter "
                            "actionA_propos_du_logiciel actionA_propos_de_Qt actionV_rifier_les_mises_jour_2 "
                            "gridLayout button_Quitter button_OuvrirFichier label_volumeLevel slider_Volume "
                            "label_fileName label_albumTitle label_albumArtist button_muteSong button_playPause "
                            "button_stopSong slider_MusicProgress label"));

    QStringList menus;
    for (QAction *entry : window->menuBar()->actions()) {
        menus << entry->menu()->objectName() + ':';
        for (QAction *action : entry->menu()->actions())
            menus << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    }
    QCOMPARE(menus.join(' '), QStringLiteral("menuFichier: actionOuvrir - actionQuitter menuControles: actionLancer "
                                             "actionStop actionCouperSon menuAide: actionA_propos_du_logiciel "
                                             "actionA_propos_de_Qt - actionV_rifier_les_mises_jour_2"));
    QVERIFY(child<QToolBar>(window, "mainToolBar")->actions().isEmpty());

    // Quit stands alone at the bottom right, below the three columns.
    auto *grid = qobject_cast<QGridLayout *>(window->centralWidget()->layout());
    QStringList cells;
    for (int i = 0; i < grid->count(); ++i) {
        int row, column, rowSpan, columnSpan;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        QLayoutItem *item = grid->itemAt(i);
        cells << QStringLiteral("%1@%2,%3+%4").arg(item->widget() ? item->widget()->objectName() : item->layout()->objectName())
                     .arg(row).arg(column).arg(rowSpan);
    }
    QCOMPARE(cells.join(' '), QStringLiteral("button_Quitter@4,2+1 verticalLayout@0,0+3 verticalLayout_2@0,1+2 "
                                             "horizontalLayout@2,1+1 gridLayout_2@0,2+3"));
}

void TestMainWindow::formShowsFrenchTextsAndStartState()
{
    struct Expected { const char *object; const char *property; QVariant value; };
    const Expected expected[] = {
        {"MainWindow", "windowTitle", "Sonavel"},
        {"actionOuvrir", "shortcut", QKeySequence("Ctrl+O")},
        {"actionLancer", "text", "Lancer la musique"}, {"actionLancer", "enabled", false},
        {"actionLancer", "shortcut", QKeySequence("Space")},
        {"actionStop", "text", "Stopper la musique"}, {"actionStop", "shortcut", QKeySequence("Ctrl+S")},
        {"actionCouperSon", "text", "Couper le son"}, {"actionCouperSon", "shortcut", QKeySequence("Ctrl+M")},
        {"actionQuitter", "text", "Quitter"}, {"actionQuitter", "shortcut", QKeySequence("Ctrl+Q")},
        {"actionA_propos_du_logiciel", "text", "A propos du logiciel"},
        {"actionA_propos_de_Qt", "text", "A propos de Qt"},
        {"actionV_rifier_les_mises_jour_2", "text", "Vérifier les mises à jour"},
        {"button_Quitter", "text", "Quitter"}, {"button_Quitter", "toolTip", "Quitter le logiciel"},
        {"button_OuvrirFichier", "text", "Ouvrir un fichier"},
        {"button_OuvrirFichier", "toolTip", "Sélectionner un fichier MP3 à lire"},
        {"button_muteSong", "text", ""}, {"button_muteSong", "toolTip", "Le son est activé"},
        {"button_playPause", "text", ""}, {"button_playPause", "toolTip", "Lancer la musique"},
        {"button_playPause", "enabled", false},
        {"button_stopSong", "text", ""}, {"button_stopSong", "toolTip", "Stopper la musique"},
        {"slider_Volume", "toolTip", "Volume"}, {"slider_Volume", "value", 100},
        {"slider_MusicProgress", "toolTip", "Progression de la musique"},
        {"slider_MusicProgress", "maximum", 100}, {"slider_MusicProgress", "enabled", false},
        {"label", "text", "Avancement de la musique: "},
        // The constructor empties the track labels and shows the volume.
        {"label_fileName", "text", ""}, {"label_albumTitle", "text", ""}, {"label_albumArtist", "text", ""},
        {"label_volumeLevel", "text", "Volume : 100 %"},
        {"menuFichier", "title", "Fichier"}, {"menuControles", "title", "Controles"}, {"menuAide", "title", "Aide"},
    };
    for (const Expected &row : expected) {
        QObject *object = row.object == QByteArray("MainWindow") ? window : child<QObject>(window, row.object);
        QVariant actual = object->property(row.property);
        if (row.value.type() == QVariant::String)
            actual = actual.toString();
        QVERIFY2(actual == row.value, qPrintable(QStringLiteral("%1.%2 is %3").arg(row.object, row.property, actual.toString())));
    }
    QVERIFY(sameIcon(window->windowIcon(), ":/icon/app_icon"));
    QVERIFY(sameIcon(child<QPushButton>(window, "button_playPause")->icon(), ":/buttons/play"));
    QVERIFY(sameIcon(child<QAction>(window, "actionStop")->icon(), ":/buttons/stop"));
    QCOMPARE(sound(), QStringLiteral("player 100, slider 100, label 'Volume : 100 %', status 'Volume : 100 %', look on"));
}

void TestMainWindow::eachActionAndItsButtonRunTheSameCommand()
{
    const QPair<const char *, const char *> pairs[] = {{"actionStop", "button_stopSong"},
                                                       {"actionCouperSon", "button_muteSong"},
                                                       {"actionQuitter", "button_Quitter"},
                                                       {"actionOuvrir", "button_OuvrirFichier"}};
    for (const auto &pair : pairs) {
        for (const char *control : {pair.first, pair.second}) {
            SeenMessageBox question;
            QString caption;
            QStringList filters;
            answerMessageBox(QMessageBox::No, &question);
            answerFileDialog(QString(), &caption, &filters);
            window->statusBar()->clearMessage();
            const bool wasMuted = player()->isMuted();
            if (auto *action = window->findChild<QAction *>(QLatin1String(control)))
                action->trigger();
            else
                child<QPushButton>(window, control)->click();
            closeLeftoverPolls();
            const QString effect = pair.first == QByteArray("actionStop") ? status()
                : pair.first == QByteArray("actionCouperSon")             ? QString::number(wasMuted != player()->isMuted())
                : pair.first == QByteArray("actionQuitter")               ? question.title
                                                                          : caption + filters.join(';');
            const char *wanted = pair.first == QByteArray("actionStop") ? "Musique arrêtée"
                : pair.first == QByteArray("actionCouperSon")           ? "1"
                : pair.first == QByteArray("actionQuitter")             ? "Voulez-vous quitter ?"
                                                                        : "Sélectionner un fichier MP3Fichier audio (*.mp3 *.wav *.wave)";
            QVERIFY2(effect == QString::fromUtf8(wanted), control);
        }
    }
    // A cancelled first choice leaves the play controls unusable.
    QVERIFY(!child<QPushButton>(window, "button_playPause")->isEnabled());
    QVERIFY(!child<QSlider>(window, "slider_MusicProgress")->isEnabled());
}

void TestMainWindow::volumeAndMuteFollowTheirStateTable()
{
    auto *slider = child<QSlider>(window, "slider_Volume");
    auto *mute = child<QPushButton>(window, "button_muteSong");

    slider->setValue(60);
    QCOMPARE(sound(), QStringLiteral("player 60, slider 60, label 'Volume : 60 %', status 'Volume : 60 %', look on"));
    QTest::ignoreMessage(QtDebugMsg, "Son coupé");
    mute->click();
    QCOMPARE(sound(), QStringLiteral("player 0 muted, slider 0, label 'Volume : 0 %', status 'Le son est coupé', look off"));
    QTest::ignoreMessage(QtDebugMsg, "Son activé");
    mute->click();
    QCOMPARE(sound(), QStringLiteral("player 60, slider 60, label 'Volume : 60 %', status 'Le son est activé', look on"));

    // Any slider change while muted unmutes, with the volume as the message.
    mute->click();
    slider->setValue(25);
    QCOMPARE(sound(), QStringLiteral("player 25, slider 25, label 'Volume : 25 %', status 'Volume : 25 %', look on"));

    // Dragging to 0 is silence, not mute; muting there changes no label, and
    // unmuting comes back to the last volume that was not 0.
    slider->setValue(0);
    QCOMPARE(sound(), QStringLiteral("player 0, slider 0, label 'Volume : 0 %', status 'Volume : 0 %', look on"));
    child<QLabel>(window, "label_volumeLevel")->setText(QStringLiteral("untouched"));
    mute->click();
    QCOMPARE(sound(), QStringLiteral("player 0 muted, slider 0, label 'untouched', status 'Le son est coupé', look off"));
    child<QAction>(window, "actionCouperSon")->trigger();
    QCOMPARE(sound(), QStringLiteral("player 25, slider 25, label 'Volume : 25 %', status 'Le son est activé', look on"));
}

void TestMainWindow::quitAsksAndOnlyYesCloses_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << int(QMessageBox::No) << false;
    QTest::newRow("escape") << int(QMessageBox::NoButton) << false;
}

void TestMainWindow::quitAsksAndOnlyYesCloses()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    SeenMessageBox seen;
    answerMessageBox(QMessageBox::StandardButton(answer), &seen);
    child<QPushButton>(window, "button_Quitter")->click();
    QCOMPARE(seen.title + '|' + seen.text, QStringLiteral("Voulez-vous quitter ?|Voulez-vous vraiment fermer l'application ?"));
    QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(window->isVisible(), !closes);
}

void TestMainWindow::aboutBoxShowsAuthorLinkAndVersion()
{
    SeenMessageBox seen;
    answerMessageBox(QMessageBox::Ok, &seen);
    child<QAction>(window, "actionA_propos_du_logiciel")->trigger();
    QCOMPARE(seen.title, QStringLiteral("A propos du logicel"));
    // The window holds the version as a float: it must still print as the project's version.
    QVERIFY(QRegularExpression(QStringLiteral("^Logiciel fait par <b>Quenbrik</b> avec Qt.<br><a href=\"https://[^\"]+\">"
                                              "Site de Quenbrik</a><br>Version ")
                               + QRegularExpression::escape(QStringLiteral(SONAVEL_VERSION)) + QLatin1Char('$'))
                .match(seen.text)
                .hasMatch());
}

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
