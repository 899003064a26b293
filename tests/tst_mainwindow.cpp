// SPDX-License-Identifier: GPL-3.0-or-later
// The window's commands: actions and buttons, keys, volume and mute, quit, about.

#include "sonavel_config.h"
#include "testsupport.h"

class TestMainWindow : public QObject, WindowFixture
{
    Q_OBJECT

    QString sound() const
    {
        return QStringLiteral("player %1%2, slider %3, label '%4', status '%5', look %6")
            .arg(player()->volume())
            .arg(player()->isMuted() ? " muted" : "")
            .arg(child<QSlider>(window, "slider_Volume")->value())
            .arg(label("label_volumeLevel"), status(),
                 showsMuteLook(false) ? "on" : showsMuteLook(true) ? "off" : "mixed");
    }
    QString effectOf(const std::function<void()> &command)
    {
        QString question, dialog;
        answerMessageBox(QMessageBox::No, &question);
        answerFileDialog(QString(), &dialog);
        window->statusBar()->clearMessage();
        const bool wasMuted = player()->isMuted();
        command();
        closeLeftoverPolls();
        return QStringList{status(), wasMuted != player()->isMuted() ? "mute changed" : "", question, dialog,
                           window->isVisible() ? "" : "closed"}.join('|');
    }

    // Home and working directory: a music folder, and one named like a Windows user's that is none
    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(home.path()).mkpath("Music") && QDir(home.path()).mkpath("C:/Users/moi/Music"));
        for (const char *variable : {"HOME", "XDG_CONFIG_HOME"})
            qputenv(variable, home.path().toUtf8());
        qputenv("USERNAME", "moi");
        QDir::setCurrent(home.path());
    }
    void init() { makeWindow(); }
    void cleanup()
    {
        delete window;
        // No maintenance tool lies beside this test: the start-up check shows nothing of it.
        QVERIFY(updateWindows().isEmpty());
    }

    void actionAndButtonDoTheSame_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("effect");
        QTest::newRow("stop") << "actionStop" << "button_stopSong" << "Musique arrêtée||||";
        QTest::newRow("mute") << "actionCouperSon" << "button_muteSong" << "Le son est coupé|mute changed|||";
        QTest::newRow("quit") << "actionQuitter" << "button_Quitter" << "||Voulez-vous quitter ?|Voulez-vous vraiment fermer l'application ?||";
        QTest::newRow("open") << "actionOuvrir" << "button_OuvrirFichier" // in the music folder, no file name typed in
                              << "|||Sélectionner un fichier MP3|Fichier audio (*.mp3 *.wav *.wave)|" + home.filePath("Music") + "||";
    }
    void actionAndButtonDoTheSame()
    {
        QFETCH(QString, action);
        QFETCH(QString, button);
        QFETCH(QString, effect);
        QCOMPARE(effectOf([&] { this->action(qPrintable(action))->trigger(); }), effect);
        if (effect.contains("mute"))
            press(qPrintable(button)); // back to sound on
        QCOMPARE(effectOf([&] { press(qPrintable(button)); }), effect);
        QVERIFY(!child<QPushButton>(window, "button_playPause")->isEnabled());
        QVERIFY(!child<QSlider>(window, "slider_MusicProgress")->isEnabled());
    }

    void keysRunTheCommands()
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        answerFileDialog(audioFile("tagged.mp3"));
        QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(loaded(), 10000);
        // The window is active again once the dialog has closed, as on a desktop.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(playing() && player()->position() > 0, 10000);
        QTest::keyClick(window, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(player()->isMuted());
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::StoppedState, 5000);
        QString quit;
        answerMessageBox(QMessageBox::Yes, &quit);
        QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 5000);
    }

    void volumeAndMuteFollowTheirStateTable()
    {
        auto *slider = child<QSlider>(window, "slider_Volume");
        slider->setValue(60);
        press("button_muteSong");
        QCOMPARE(sound(), QStringLiteral("player 0 muted, slider 0, label 'Volume : 0 %', status 'Le son est coupé', look off"));
        press("button_muteSong");
        QCOMPARE(sound(), QStringLiteral("player 60, slider 60, label 'Volume : 60 %', status 'Le son est activé', look on"));

        // Any slider change while muted unmutes, with the volume as the message.
        press("button_muteSong");
        slider->setValue(25);
        QCOMPARE(sound(), QStringLiteral("player 25, slider 25, label 'Volume : 25 %', status 'Volume : 25 %', look on"));

        // 0 is silence, not mute; muting there changes no label; unmuting restores the last volume above 0.
        slider->setValue(0);
        QCOMPARE(sound(), QStringLiteral("player 0, slider 0, label 'Volume : 0 %', status 'Volume : 0 %', look on"));
        child<QLabel>(window, "label_volumeLevel")->setText(QStringLiteral("untouched"));
        press("button_muteSong");
        QCOMPARE(sound(), QStringLiteral("player 0 muted, slider 0, label 'untouched', status 'Le son est coupé', look off"));
        action("actionCouperSon")->trigger();
        QCOMPARE(sound(), QStringLiteral("player 25, slider 25, label 'Volume : 25 %', status 'Le son est activé', look on"));
    }

    // The window keeps the version as a float: it must still print as the project's.
    void aboutBoxShowsTheProjectsVersion()
    {
        QString seen;
        answerMessageBox(QMessageBox::Ok, &seen);
        action("actionA_propos_du_logiciel")->trigger();
        QVERIFY2(seen.endsWith(QStringLiteral("<br>Version " SONAVEL_VERSION)), qPrintable(seen));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
