// What the window's controls do to the sound that actually leaves the player:
// the real window and QMediaPlayer play a 440 Hz sine into the test sound
// server, and the sink's monitor is recorded and measured.

#include "mainwindow.h"
#include "soundsupport.h"
#include "testsupport.h"

#include <QAction>
#include <QMediaPlayer>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

class TestSoundPath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void volumeAndMuteSetTheLevel();
    void pauseSilencesAndResumeContinues();
    void stopThenPlayStartsFromTheBeginning();
    void dragToTheMiddleIsHeardFromTheMiddle();

private:
    QMediaPlayer *player() const { return window->findChild<QMediaPlayer *>(); }
    void open(const char *file);
    void clickPlay() { child<QPushButton>(window, "button_playPause")->click(); }
    // Waits for the end of the track, then for its last samples to be recorded.
    void waitForEndAndTail();

    MonitorCapture capture;
    MainWindow *window = nullptr;
    double sourceLevel = 0.0;
};

void TestSoundPath::initTestCase()
{
    const QString problem = soundServerProblem();
    if (!problem.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no test sound server: ") + problem));

    sourceLevel = rmsOfWav(audioFile("sine20.wav"));
    QVERIFY(sourceLevel > 0.1);
    report(QStringLiteral("source RMS (sine20.wav): %1").arg(sourceLevel, 0, 'f', 4));

    QVERIFY(capture.start());
    QVERIFY(capture.waitUntilRecorded(capture.frames(), 300));
}

void TestSoundPath::init()
{
    window = new MainWindow;
    window->show();
}

void TestSoundPath::cleanup()
{
    delete window;
    window = nullptr;
}

void TestSoundPath::open(const char *file)
{
    answerFileDialog(audioFile(file));
    child<QAction>(window, "actionOuvrir")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::LoadedMedia, 10000);
}

void TestSoundPath::waitForEndAndTail()
{
    QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::EndOfMedia, 20000);
    QVERIFY(capture.waitUntilRecorded(capture.frames(), 500));
}

void TestSoundPath::volumeAndMuteSetTheLevel()
{
    auto *volume = child<QSlider>(window, "slider_Volume");
    auto *mute = child<QPushButton>(window, "button_muteSong");
    open("sine20.wav");
    clickPlay();
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 200, 10000);

    const double full = capture.steadyLevel();
    report(QStringLiteral("volume 100: RMS %1 (%2 of the source)").arg(full, 0, 'f', 4).arg(full / sourceLevel, 0, 'f', 3));
    QVERIFY2(qAbs(full / sourceLevel - 1.0) < 0.05, qPrintable(QString::number(full)));

    // QMediaPlayer's volume is linear in amplitude all the way to the sink.
    volume->setValue(50);
    const double half = capture.steadyLevel();
    report(QStringLiteral("volume 50: RMS %1 (%2 of volume 100)").arg(half, 0, 'f', 4).arg(half / full, 0, 'f', 3));
    QVERIFY2(qAbs(half / full - 0.5) < 0.03, qPrintable(QString::number(half)));

    volume->setValue(0);
    const double zero = capture.steadyLevel();
    report(QStringLiteral("volume 0: RMS %1").arg(zero, 0, 'f', 5));
    QVERIFY2(zero >= 0.0 && zero < 0.001, qPrintable(QString::number(zero)));

    volume->setValue(50);
    QVERIFY(qAbs(capture.steadyLevel() / full - 0.5) < 0.03);
    mute->click();
    const double muted = capture.steadyLevel();
    report(QStringLiteral("muted: RMS %1").arg(muted, 0, 'f', 5));
    QVERIFY2(muted >= 0.0 && muted < 0.001, qPrintable(QString::number(muted)));

    mute->click();
    const double unmuted = capture.steadyLevel();
    report(QStringLiteral("unmuted: RMS %1 (%2 of volume 50)").arg(unmuted, 0, 'f', 4).arg(unmuted / half, 0, 'f', 3));
    QVERIFY2(qAbs(unmuted / half - 1.0) < 0.05, qPrintable(QString::number(unmuted)));

    // The silences above were the controls', not the end of the track.
    QCOMPARE(player()->state(), QMediaPlayer::PlayingState);
}

void TestSoundPath::pauseSilencesAndResumeContinues()
{
    open("sine6.mp3");
    clickPlay();
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 1000, 10000);
    const double playing = capture.steadyLevel();
    QVERIFY2(playing > 0.1, qPrintable(QString::number(playing)));

    clickPlay();
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PausedState, 5000);
    const qint64 pausedAt = player()->position();
    const double paused = capture.steadyLevel();
    report(QStringLiteral("paused at %1 ms: RMS %2").arg(pausedAt).arg(paused, 0, 'f', 5));
    QVERIFY2(paused >= 0.0 && paused < 0.001, qPrintable(QString::number(paused)));
    QCOMPARE(player()->position(), pausedAt);

    const qint64 resumedFrom = capture.frames();
    clickPlay();
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PlayingState, 5000);
    QVERIFY2(player()->position() >= pausedAt - 100 && player()->position() < pausedAt + 1000,
             qPrintable(QString::number(player()->position())));
    const double resumed = capture.steadyLevel();
    QVERIFY2(qAbs(resumed / playing - 1.0) < 0.05, qPrintable(QString::number(resumed)));

    // What follows the pause is the rest of the track, not the whole of it.
    waitForEndAndTail();
    const double heard = capture.heardSeconds(resumedFrom);
    const double rest = (6000 - pausedAt) / 1000.0;
    report(QStringLiteral("after resuming: heard %1 s, %2 s were left").arg(heard, 0, 'f', 2).arg(rest, 0, 'f', 2));
    QVERIFY2(qAbs(heard - rest) < 0.35, qPrintable(QString::number(heard)));
}

void TestSoundPath::stopThenPlayStartsFromTheBeginning()
{
    open("untagged.mp3"); // 3 s
    clickPlay();
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 1500, 10000);

    child<QPushButton>(window, "button_stopSong")->click();
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::StoppedState, 5000);
    const double stopped = capture.steadyLevel();
    QVERIFY2(stopped >= 0.0 && stopped < 0.001, qPrintable(QString::number(stopped)));

    const qint64 playedFrom = capture.frames();
    clickPlay();
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PlayingState, 5000);
    QVERIFY2(player()->position() < 500, qPrintable(QString::number(player()->position())));
    waitForEndAndTail();
    const double heard = capture.heardSeconds(playedFrom);
    report(QStringLiteral("stop, then play: heard %1 s of the 3 s track").arg(heard, 0, 'f', 2));
    QVERIFY2(qAbs(heard - 3.0) < 0.35, qPrintable(QString::number(heard)));
}

void TestSoundPath::dragToTheMiddleIsHeardFromTheMiddle()
{
    auto *slider = child<QSlider>(window, "slider_MusicProgress");
    open("long.mp3"); // 12 s
    clickPlay();
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 500 && slider->maximum() > 11000, 10000);

    const qint64 draggedFrom = capture.frames();
    const int middle = slider->maximum() / 2;
    slider->setSliderDown(true);
    slider->setSliderPosition(middle);
    slider->setSliderDown(false);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(player()->position() - middle) < 400, 5000);
    const qint64 landedAt = player()->position();

    waitForEndAndTail();
    const double heard = capture.heardSeconds(draggedFrom);
    const double rest = (slider->maximum() - middle) / 1000.0;
    report(QStringLiteral("drag to %1 ms: position %2 ms, heard %3 s, %4 s were left")
               .arg(middle)
               .arg(landedAt)
               .arg(heard, 0, 'f', 2)
               .arg(rest, 0, 'f', 2));
    QVERIFY2(qAbs(heard - rest) < 0.4, qPrintable(QString::number(heard)));
}

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    TestSoundPath test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_soundpath.moc"
