// The window without any media: its form, its texts, the volume and mute
// controls, and the dialogs of the quit and about commands.

#include "mainwindow.h"
#include "testsupport.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

namespace {

bool sameIcon(const QIcon &icon, const char *path)
{
    const QSize size(32, 32);
    return !icon.isNull() && icon.pixmap(size).toImage() == QIcon(QLatin1String(path)).pixmap(size).toImage();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formHasItsObjectsInCreationOrder();
    void formPlacesWidgetsInTheirLayouts();
    void formShowsFrenchTextsAndStartState();
    void windowDeclaresExactlyTheFourteenSlots();
    void eachActionAndItsButtonRunTheSameCommand();

    void volumeSliderSetsVolumeLabelAndStatus();
    void muteParksSliderAndUnmuteRestoresLastVolume();
    void muteWhileSliderAtZeroKeepsLabel();
    void sliderChangeWhileMutedUnmutes();

    void stopBeforeAnyFileShowsStopped();
    void quitAsksAndOnlyYesCloses_data();
    void quitAsksAndOnlyYesCloses();
    void aboutBoxShowsAuthorLinkAndVersion();

private:
    QMediaPlayer *player() const { return window->findChild<QMediaPlayer *>(); }
    QString status() const { return window->statusBar()->currentMessage(); }

    MainWindow *window = nullptr;
};

void TestMainWindow::init()
{
    window = new MainWindow;
    window->show();
}

void TestMainWindow::cleanup()
{
    delete window;
    window = nullptr;
}

void TestMainWindow::formHasItsObjectsInCreationOrder()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Sonavel"));
    QVERIFY(sameIcon(window->windowIcon(), ":/icon/app_icon"));

    QStringList actions;
    for (QAction *action : window->findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly))
        if (!action->objectName().isEmpty())
            actions << action->objectName();
    QCOMPARE(actions, QStringList({"actionOuvrir", "actionLancer", "actionStop", "actionCouperSon", "actionQuitter",
                                   "actionA_propos_du_logiciel", "actionA_propos_de_Qt",
                                   "actionV_rifier_les_mises_jour_2"}));

    QStringList widgets;
    for (QWidget *widget : window->centralWidget()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        widgets << widget->objectName();
    QCOMPARE(widgets, QStringList({"button_Quitter", "button_OuvrirFichier", "label_volumeLevel", "slider_Volume",
                                   "label_fileName", "label_albumTitle", "label_albumArtist", "button_muteSong",
                                   "button_playPause", "button_stopSong", "slider_MusicProgress", "label"}));

    QStringList menus;
    for (QAction *entry : window->menuBar()->actions())
        menus << entry->menu()->objectName() + '=' + entry->text();
    QCOMPARE(menus, QStringList({"menuFichier=Fichier", "menuControles=Controles", "menuAide=Aide"}));

    auto entries = [this](const char *menu) {
        QStringList names;
        for (QAction *action : child<QMenu>(window, menu)->actions())
            names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
        return names;
    };
    QCOMPARE(entries("menuFichier"), QStringList({"actionOuvrir", "-", "actionQuitter"}));
    QCOMPARE(entries("menuControles"), QStringList({"actionLancer", "actionStop", "actionCouperSon"}));
    QCOMPARE(entries("menuAide"), QStringList({"actionA_propos_du_logiciel", "actionA_propos_de_Qt", "-",
                                               "actionV_rifier_les_mises_jour_2"}));

    auto *toolBar = child<QToolBar>(window, "mainToolBar");
    QVERIFY(toolBar->actions().isEmpty());
    QCOMPARE(window->toolBarArea(toolBar), Qt::TopToolBarArea);
    QCOMPARE(window->statusBar()->objectName(), QStringLiteral("statusBar"));
}

void TestMainWindow::formPlacesWidgetsInTheirLayouts()
{
    auto *grid = qobject_cast<QGridLayout *>(window->centralWidget()->layout());
    QVERIFY(grid);
    QCOMPARE(grid->spacing(), 6);
    QCOMPARE(grid->contentsMargins(), QMargins(11, 11, 11, 11));

    // Row, column, spans of each item of the top grid, in the order it was filled.
    struct Cell { const char *name; int row, column, rowSpan, columnSpan; };
    const Cell cells[] = {{"button_Quitter", 4, 2, 1, 1}, {"verticalLayout", 0, 0, 3, 1},
                          {"verticalLayout_2", 0, 1, 2, 1}, {"horizontalLayout", 2, 1, 1, 1},
                          {"gridLayout_2", 0, 2, 3, 1}};
    QCOMPARE(grid->count(), 5);
    for (int i = 0; i < 5; ++i) {
        QLayoutItem *item = grid->itemAt(i);
        const QString name = item->widget() ? item->widget()->objectName() : item->layout()->objectName();
        int row, column, rowSpan, columnSpan;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(name, QLatin1String(cells[i].name));
        QCOMPARE(QVector<int>({row, column, rowSpan, columnSpan}),
                 QVector<int>({cells[i].row, cells[i].column, cells[i].rowSpan, cells[i].columnSpan}));
    }

    auto contents = [](QLayout *layout) {
        QStringList names;
        for (int i = 0; i < layout->count(); ++i)
            names << (layout->itemAt(i)->spacerItem() ? QStringLiteral("spacer") : layout->itemAt(i)->widget()->objectName());
        return names;
    };
    QCOMPARE(contents(grid->itemAt(1)->layout()),
             QStringList({"button_OuvrirFichier", "spacer", "label_volumeLevel", "slider_Volume"}));
    QCOMPARE(contents(grid->itemAt(2)->layout()), QStringList({"label_fileName", "label_albumTitle", "label_albumArtist"}));
    QCOMPARE(contents(grid->itemAt(3)->layout()), QStringList({"button_muteSong", "button_playPause", "button_stopSong"}));
    // The progress column is filled bottom up: slider, caption, spacer.
    QCOMPARE(contents(grid->itemAt(4)->layout()), QStringList({"slider_MusicProgress", "label", "spacer"}));
}

void TestMainWindow::formShowsFrenchTextsAndStartState()
{
    struct Action { const char *name; const char *text; const char *shortcut; bool enabled; };
    const Action actions[] = {{"actionOuvrir", "Ouvrir", "Ctrl+O", true},
                              {"actionLancer", "Lancer la musique", "Space", false},
                              {"actionStop", "Stopper la musique", "Ctrl+S", true},
                              {"actionCouperSon", "Couper le son", "Ctrl+M", true},
                              {"actionQuitter", "Quitter", "Ctrl+Q", true},
                              {"actionA_propos_du_logiciel", "A propos du logiciel", "", true},
                              {"actionA_propos_de_Qt", "A propos de Qt", "", true},
                              {"actionV_rifier_les_mises_jour_2", "Vérifier les mises à jour", "", true}};
    for (const Action &expected : actions) {
        auto *action = child<QAction>(window, expected.name);
        QCOMPARE(action->text(), QString::fromUtf8(expected.text));
        QCOMPARE(action->shortcut(), QKeySequence(QLatin1String(expected.shortcut)));
        QCOMPARE(action->isEnabled(), expected.enabled);
        QVERIFY(action->toolTip() == action->text().remove('&') || action->toolTip().isEmpty());
    }

    struct Button { const char *name; const char *text; const char *toolTip; bool enabled; };
    const Button buttons[] = {{"button_Quitter", "Quitter", "Quitter le logiciel", true},
                              {"button_OuvrirFichier", "Ouvrir un fichier", "Sélectionner un fichier MP3 à lire", true},
                              {"button_muteSong", "", "Le son est activé", true},
                              {"button_playPause", "", "Lancer la musique", false},
                              {"button_stopSong", "", "Stopper la musique", true}};
    for (const Button &expected : buttons) {
        auto *button = child<QPushButton>(window, expected.name);
        QCOMPARE(button->text(), QString::fromUtf8(expected.text));
        QCOMPARE(button->toolTip(), QString::fromUtf8(expected.toolTip));
        QCOMPARE(button->isEnabled(), expected.enabled);
    }
    QVERIFY(sameIcon(child<QPushButton>(window, "button_muteSong")->icon(), ":/buttons/unmute"));
    QVERIFY(sameIcon(child<QAction>(window, "actionCouperSon")->icon(), ":/buttons/mute"));
    QVERIFY(sameIcon(child<QPushButton>(window, "button_playPause")->icon(), ":/buttons/play"));
    QVERIFY(sameIcon(child<QAction>(window, "actionStop")->icon(), ":/buttons/stop"));

    // The constructor empties the track labels and shows the volume.
    for (const char *name : {"label_fileName", "label_albumTitle", "label_albumArtist"})
        QCOMPARE(child<QLabel>(window, name)->text(), QString());
    QCOMPARE(child<QLabel>(window, "label")->text(), QStringLiteral("Avancement de la musique: "));
    QCOMPARE(child<QLabel>(window, "label_volumeLevel")->text(), QStringLiteral("Volume : 100 %"));
    QCOMPARE(status(), QStringLiteral("Volume : 100 %"));
    QCOMPARE(window->toolTip(), QString());

    auto *volume = child<QSlider>(window, "slider_Volume");
    QCOMPARE(volume->toolTip(), QStringLiteral("Volume"));
    QCOMPARE(QVector<int>({volume->minimum(), volume->maximum(), volume->value()}), QVector<int>({0, 100, 100}));
    auto *progress = child<QSlider>(window, "slider_MusicProgress");
    QCOMPARE(progress->toolTip(), QStringLiteral("Progression de la musique"));
    QCOMPARE(QVector<int>({progress->minimum(), progress->maximum(), progress->value()}), QVector<int>({0, 100, 0}));
    QVERIFY(!progress->isEnabled());

    QCOMPARE(player()->volume(), 100);
    QVERIFY(!player()->isMuted());
}

void TestMainWindow::windowDeclaresExactlyTheFourteenSlots()
{
    const QMetaObject *meta = &MainWindow::staticMetaObject;
    QCOMPARE(meta->className(), "MainWindow");
    QStringList declared;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        declared << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(declared, QStringList({"playSong()", "selectSong()", "stopSong()", "muteSong()", "unmuteSong()",
                                 "volumeSong(int)", "quitterApp()", "durationChanged(qlonglong)",
                                 "positionChanged(qlonglong)", "aboutUs()", "loadMetaData()",
                                 "on_slider_MusicProgress_sliderMoved(int)", "initialiserUpdater()",
                                 "verifierMiseAJour()"}));
    QCOMPARE(meta->method(meta->methodOffset() + 5).parameterNames(), QList<QByteArray>({"volume"}));
    QCOMPARE(meta->method(meta->methodOffset() + 7).parameterNames(), QList<QByteArray>({"position"}));
    QCOMPARE(meta->propertyCount(), meta->propertyOffset());
    QCOMPARE(meta->enumeratorCount(), meta->enumeratorOffset());

    // Invoking by index reaches the slot itself.
    QVERIFY(meta->method(meta->methodOffset() + 5).invoke(window, Q_ARG(int, 35)));
    QCOMPARE(player()->volume(), 35);
    QCOMPARE(status(), QStringLiteral("Volume : 35 %"));
}

void TestMainWindow::eachActionAndItsButtonRunTheSameCommand()
{
    // Stop: the status bar says it, whichever control was used.
    window->statusBar()->clearMessage();
    child<QAction>(window, "actionStop")->trigger();
    QCOMPARE(status(), QStringLiteral("Musique arrêtée"));
    window->statusBar()->clearMessage();
    child<QPushButton>(window, "button_stopSong")->click();
    QCOMPARE(status(), QStringLiteral("Musique arrêtée"));

    // Mute: each control toggles the player's muted flag.
    child<QAction>(window, "actionCouperSon")->trigger();
    QVERIFY(player()->isMuted());
    child<QPushButton>(window, "button_muteSong")->click();
    QVERIFY(!player()->isMuted());

    // Quit and open: each control opens the same dialog.
    for (const char *name : {"actionQuitter", "button_Quitter"}) {
        SeenMessageBox seen;
        answerMessageBox(QMessageBox::No, &seen);
        if (auto *action = window->findChild<QAction *>(QLatin1String(name)))
            action->trigger();
        else
            child<QPushButton>(window, name)->click();
        QVERIFY2(seen.seen, name);
        QCOMPARE(seen.title, QStringLiteral("Voulez-vous quitter ?"));
    }
    for (const char *name : {"actionOuvrir", "button_OuvrirFichier"}) {
        QString caption;
        QStringList filters;
        answerFileDialog(QString(), &caption, &filters);
        if (auto *action = window->findChild<QAction *>(QLatin1String(name)))
            action->trigger();
        else
            child<QPushButton>(window, name)->click();
        QCOMPARE(caption, QStringLiteral("Sélectionner un fichier MP3"));
        QCOMPARE(filters, QStringList({"Fichier audio (*.mp3 *.wav *.wave)"}));
    }
    // A cancelled first choice leaves the play controls unusable.
    QVERIFY(!child<QPushButton>(window, "button_playPause")->isEnabled());
    QVERIFY(!child<QAction>(window, "actionLancer")->isEnabled());
    QVERIFY(!child<QSlider>(window, "slider_MusicProgress")->isEnabled());
}

void TestMainWindow::volumeSliderSetsVolumeLabelAndStatus()
{
    auto *slider = child<QSlider>(window, "slider_Volume");
    slider->setValue(35);
    QCOMPARE(player()->volume(), 35);
    QCOMPARE(child<QLabel>(window, "label_volumeLevel")->text(), QStringLiteral("Volume : 35 %"));
    QCOMPARE(status(), QStringLiteral("Volume : 35 %"));

    // Dragging to 0 is silence, not mute: a later mute/unmute comes back to 35.
    slider->setValue(0);
    QCOMPARE(player()->volume(), 0);
    QVERIFY(!player()->isMuted());
    QCOMPARE(child<QPushButton>(window, "button_muteSong")->toolTip(), QStringLiteral("Le son est activé"));
    child<QPushButton>(window, "button_muteSong")->click();
    child<QPushButton>(window, "button_muteSong")->click();
    QCOMPARE(slider->value(), 35);
    QCOMPARE(player()->volume(), 35);
}

void TestMainWindow::muteParksSliderAndUnmuteRestoresLastVolume()
{
    auto *slider = child<QSlider>(window, "slider_Volume");
    auto *label = child<QLabel>(window, "label_volumeLevel");
    auto *button = child<QPushButton>(window, "button_muteSong");
    auto *action = child<QAction>(window, "actionCouperSon");
    slider->setValue(60);

    QTest::ignoreMessage(QtDebugMsg, "Son coupé");
    button->click();
    QVERIFY(player()->isMuted());
    QCOMPARE(player()->volume(), 0);
    QCOMPARE(slider->value(), 0);
    QCOMPARE(label->text(), QStringLiteral("Volume : 0 %"));
    QCOMPARE(status(), QStringLiteral("Le son est coupé"));
    QCOMPARE(button->toolTip(), QStringLiteral("Le son est coupé"));
    QCOMPARE(action->text(), QStringLiteral("Activer le son"));
    QVERIFY(sameIcon(button->icon(), ":/buttons/mute"));
    QVERIFY(sameIcon(action->icon(), ":/buttons/unmute"));

    QTest::ignoreMessage(QtDebugMsg, "Son activé");
    action->trigger();
    QVERIFY(!player()->isMuted());
    QCOMPARE(player()->volume(), 60);
    QCOMPARE(slider->value(), 60);
    QCOMPARE(label->text(), QStringLiteral("Volume : 60 %"));
    QCOMPARE(status(), QStringLiteral("Le son est activé"));
    QCOMPARE(button->toolTip(), QStringLiteral("Le son est activé"));
    QCOMPARE(action->text(), QStringLiteral("Couper le son"));
    QVERIFY(sameIcon(button->icon(), ":/buttons/unmute"));
    QVERIFY(sameIcon(action->icon(), ":/buttons/mute"));
}

void TestMainWindow::muteWhileSliderAtZeroKeepsLabel()
{
    auto *slider = child<QSlider>(window, "slider_Volume");
    slider->setValue(40);
    slider->setValue(0);
    window->statusBar()->showMessage(QStringLiteral("marker"));
    child<QLabel>(window, "label_volumeLevel")->setText(QStringLiteral("marker"));

    child<QAction>(window, "actionCouperSon")->trigger();
    // No slider change, so nothing rewrote the label; only the mute message shows.
    QCOMPARE(child<QLabel>(window, "label_volumeLevel")->text(), QStringLiteral("marker"));
    QCOMPARE(status(), QStringLiteral("Le son est coupé"));
    QVERIFY(player()->isMuted());

    child<QAction>(window, "actionCouperSon")->trigger();
    QCOMPARE(slider->value(), 40);
    QCOMPARE(player()->volume(), 40);
}

void TestMainWindow::sliderChangeWhileMutedUnmutes()
{
    auto *slider = child<QSlider>(window, "slider_Volume");
    child<QPushButton>(window, "button_muteSong")->click();
    QVERIFY(player()->isMuted());

    slider->setValue(25);
    QVERIFY(!player()->isMuted());
    QCOMPARE(player()->volume(), 25);
    QCOMPARE(status(), QStringLiteral("Volume : 25 %"));
    QCOMPARE(child<QPushButton>(window, "button_muteSong")->toolTip(), QStringLiteral("Le son est activé"));
    QCOMPARE(child<QAction>(window, "actionCouperSon")->text(), QStringLiteral("Couper le son"));
}

void TestMainWindow::stopBeforeAnyFileShowsStopped()
{
    child<QAction>(window, "actionStop")->trigger();
    QCOMPARE(status(), QStringLiteral("Musique arrêtée"));
    QCOMPARE(player()->state(), QMediaPlayer::StoppedState);
    QCOMPARE(child<QAction>(window, "actionLancer")->text(), QStringLiteral("Lancer la musique"));
    // Space belongs to the disabled play action: nothing happens.
    QTest::keyClick(window, Qt::Key_Space);
    QCOMPARE(status(), QStringLiteral("Musique arrêtée"));
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
    child<QAction>(window, "actionQuitter")->trigger();
    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QStringLiteral("Voulez-vous quitter ?"));
    QCOMPARE(seen.text, QStringLiteral("Voulez-vous vraiment fermer l'application ?"));
    QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(window->isVisible(), !closes);
}

void TestMainWindow::aboutBoxShowsAuthorLinkAndVersion()
{
    SeenMessageBox seen;
    answerMessageBox(QMessageBox::Ok, &seen);
    child<QAction>(window, "actionA_propos_du_logiciel")->trigger();
    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QStringLiteral("A propos du logicel"));
    QVERIFY(seen.text.startsWith(QStringLiteral("Logiciel fait par <b>Quenbrik</b> avec Qt.<br><a href=\"")));
    QVERIFY(seen.text.contains(QStringLiteral("\">Site de Quenbrik</a><br>Version ")));
    QVERIFY(seen.text.endsWith(QStringLiteral("<br>Version 4.1")));
}

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
