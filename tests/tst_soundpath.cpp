// What the window's controls do to the sound that actually leaves the player:
// the real window and QMediaPlayer play a tone into the test sound server, and
// the sink's monitor is recorded and measured.

#include "mainwindow.h"
#include "soundsupport.h"
#include "testsupport.h"

#include <QtMultimedia>
#include <QtWidgets>

class TestSoundPath : public QObject
{
    Q_OBJECT

    QMediaPlayer *player() const { return window->findChild<QMediaPlayer *>(); }
    void press(const char *button) { child<QPushButton>(window, button)->click(); }
    void open(const char *file)
    {
        answerFileDialog(audioFile(file));
        child<QAction>(window, "actionOuvrir")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::LoadedMedia, 10000);
    }
    // Seconds heard from frame `from` to the end of the track and its last
    // samples; -1 when the end does not come (QTRY_* returns from the lambda).
    double heardToTheEnd(qint64 from)
    {
        [&] { QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::EndOfMedia, 20000); }();
        return !QTest::currentTestFailed() && capture.waitUntilRecorded(capture.frames(), 500) ? capture.heardSeconds(from) : -1.0;
    }
    // Waits for the sink to hold `expected` (within `tolerance` when it is not
    // silence) and reports the level. When the sound server has raised its
    // latency, audio processed before the command can still be playing after
    // the first steady stretch, so a few stretches are tried before failing.
    void expectLevel(const QString &what, double expected, double tolerance = 0.05)
    {
        auto matches = [&](double level) {
            return level >= 0.0 && (expected == 0.0 ? level < 0.001 : qAbs(level / expected - 1.0) < tolerance);
        };
        QElapsedTimer clock;
        clock.start();
        double level = capture.steadyLevel();
        while (!matches(level) && !clock.hasExpired(6000))
            level = capture.steadyLevel();
        report(QStringLiteral("%1: RMS %2 (%3 expected)").arg(what).arg(level, 0, 'f', 4).arg(expected, 0, 'f', 4));
        QVERIFY2(matches(level), qPrintable(what));
    }

    MonitorCapture capture;
    MainWindow *window = nullptr;
    double source = 0.0;

private slots:
    void initTestCase()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        const QString problem = soundServerProblem();
        if (!problem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no test sound server: ") + problem));
        source = rmsOfWav(audioFile("sine20.wav"));
        QVERIFY(source > 0.1);
        report(QStringLiteral("source RMS (sine20.wav): %1").arg(source, 0, 'f', 4));
        QVERIFY(capture.start());
        QVERIFY(capture.waitUntilRecorded(capture.frames(), 300));
    }
    void init()
    {
        window = new MainWindow;
        window->show();
    }
    void cleanup() { delete window; }

    void volumeAndMuteSetTheLevel()
    {
        auto *volume = child<QSlider>(window, "slider_Volume");
        open("sine20.wav");
        press("button_playPause");
        QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 200, 10000);
        expectLevel(QStringLiteral("volume 100"), source);
        // QMediaPlayer's volume is linear in amplitude all the way to the sink.
        volume->setValue(50);
        expectLevel(QStringLiteral("volume 50"), source / 2, 0.06);
        volume->setValue(0);
        expectLevel(QStringLiteral("volume 0"), 0.0);
        volume->setValue(50);
        press("button_muteSong");
        expectLevel(QStringLiteral("volume 50, muted"), 0.0);
        press("button_muteSong");
        expectLevel(QStringLiteral("unmuted"), source / 2, 0.06);
        // The silences above were the controls', not the end of the track.
        QCOMPARE(player()->state(), QMediaPlayer::PlayingState);
    }

    void pauseSilencesAndResumeContinues()
    {
        open("sine6.mp3"); // 6 s
        press("button_playPause");
        QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 1000, 10000);
        const double playing = capture.steadyLevel();
        QVERIFY2(playing > 0.1, qPrintable(QString::number(playing)));
        press("button_playPause");
        QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PausedState, 5000);
        const qint64 pausedAt = player()->position();
        expectLevel(QStringLiteral("paused at %1 ms").arg(pausedAt), 0.0);
        QCOMPARE(player()->position(), pausedAt);

        const qint64 resumedFrom = capture.frames();
        press("button_playPause");
        QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PlayingState, 5000);
        QVERIFY2(qAbs(player()->position() - pausedAt - 450) < 550, qPrintable(QString::number(player()->position())));
        expectLevel(QStringLiteral("resumed"), playing);
        // What follows the pause is the rest of the track, not the whole of it.
        const double heard = heardToTheEnd(resumedFrom), rest = (6000 - pausedAt) / 1000.0;
        report(QStringLiteral("after resuming: heard %1 s, %2 s were left").arg(heard, 0, 'f', 2).arg(rest, 0, 'f', 2));
        QVERIFY2(qAbs(heard - rest) < 0.35, qPrintable(QString::number(heard)));
    }

    void stopThenPlayStartsFromTheBeginning()
    {
        open("untagged.mp3"); // 3 s
        press("button_playPause");
        QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 1500, 10000);
        press("button_stopSong");
        QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::StoppedState, 5000);
        expectLevel(QStringLiteral("stopped"), 0.0);
        const qint64 playedFrom = capture.frames();
        press("button_playPause");
        QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PlayingState, 5000);
        QVERIFY2(player()->position() < 500, qPrintable(QString::number(player()->position())));
        const double heard = heardToTheEnd(playedFrom);
        report(QStringLiteral("stop, then play: heard %1 s of the 3 s track").arg(heard, 0, 'f', 2));
        QVERIFY2(qAbs(heard - 3.0) < 0.35, qPrintable(QString::number(heard)));
    }

    // However long the file sat ready (loaded, paused or stopped), the music
    // starts as soon as play is pressed, not after as much silence as the wait.
    void playAfterAWaitIsHeardAtOnce_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("loaded") << QString();
        QTest::newRow("paused") << QStringLiteral("button_playPause");
        QTest::newRow("stopped") << QStringLiteral("button_stopSong");
    }
    void playAfterAWaitIsHeardAtOnce()
    {
        QFETCH(QString, before);
        open("tagged.mp3");
        if (!before.isEmpty()) {
            press("button_playPause");
            QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 500, 10000);
            press(qPrintable(before));
            QTRY_VERIFY_WITH_TIMEOUT(player()->state() != QMediaPlayer::PlayingState, 5000);
        }
        QVERIFY(capture.waitUntilRecorded(capture.frames(), 3000, 15000));
        const QString title = child<QLabel>(window, "label_fileName")->text();
        const qint64 pressedAt = capture.frames();
        press("button_playPause");
        QVERIFY(capture.waitUntilRecorded(pressedAt, 1500));
        const int ms = capture.msToFirstSound(pressedAt);
        report(QStringLiteral("play after 3 s %1: first sound after %2 ms").arg(QTest::currentDataTag()).arg(ms));
        QVERIFY2(ms >= 0 && ms <= 300, qPrintable(QString::number(ms)));
        // Whatever the player went through to start at once, the labels still name the file.
        QVERIFY(title.contains(QLatin1String("Chanson d'essai")));
        QCOMPARE(child<QLabel>(window, "label_fileName")->text(), title);
    }

    void dragToTheMiddleIsHeardFromTheMiddle()
    {
        auto *slider = child<QSlider>(window, "slider_MusicProgress");
        open("long.mp3"); // 12 s
        press("button_playPause");
        QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 500 && slider->maximum() > 11000, 10000);
        const qint64 draggedFrom = capture.frames();
        const int middle = slider->maximum() / 2;
        slider->setSliderDown(true);
        slider->setSliderPosition(middle);
        slider->setSliderDown(false);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(player()->position() - middle) < 400, 5000);
        const qint64 landedAt = player()->position();
        const double heard = heardToTheEnd(draggedFrom), rest = (slider->maximum() - middle) / 1000.0;
        report(QStringLiteral("drag to %1 ms: position %2 ms, heard %3 s, %4 s were left")
                   .arg(middle).arg(landedAt).arg(heard, 0, 'f', 2).arg(rest, 0, 'f', 2));
        QVERIFY2(qAbs(heard - rest) < 0.4, qPrintable(QString::number(heard)));
    }
};

QTEST_MAIN(TestSoundPath)
#include "tst_soundpath.moc"
