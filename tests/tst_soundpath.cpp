// SPDX-License-Identifier: GPL-3.0-or-later
// What the controls do to the sound leaving the player, recorded at the sink
// of the private sound server (scripts/sound-server).

#include "testsupport.h"

#include <QtEndian>

namespace {

double rmsOf(const char *bytes, qint64 samples)
{
    double sum = 0.0;
    for (qint64 i = 0; i < samples; ++i)
        sum += qPow(qFromLittleEndian<qint16>(bytes + 2 * i) / 32768.0, 2);
    return samples > 0 ? std::sqrt(sum / double(samples)) : 0.0;
}

qint64 framesIn(int ms) { return qint64(44100) * ms / 1000; }

} // namespace

class TestSoundPath : public QObject, WindowFixture
{
    Q_OBJECT

    QProcess parec;
    QByteArray recorded;
    qint64 frames() const { return recorded.size() / 4; }
    double rms(qint64 first, qint64 count) const
    {
        first = qBound<qint64>(0, first, frames());
        return rmsOf(recorded.constData() + first * 4, qBound<qint64>(0, count, frames() - first) * 2);
    }
    bool waitUntilRecorded(qint64 first, int ms, int timeout = 10000)
    {
        return QTest::qWaitFor([&] { return frames() >= first + framesIn(ms); }, timeout);
    }
    // Waits for 600 ms, 250 ms or more after the command (the sink's buffer), at `expected`.
    void expectLevel(const QString &what, double expected)
    {
        const qint64 span = framesIn(600);
        double level = -1.0;
        QElapsedTimer clock;
        clock.start();
        for (qint64 first = frames() + framesIn(250); !clock.hasExpired(8000) && waitUntilRecorded(first, 600); first += span / 4) {
            level = rms(first, span);
            if (expected == 0.0 ? level < 0.001 : qAbs(level / expected - 1.0) < 0.06)
                break;
        }
        report(QStringLiteral("%1: RMS %2 (%3 expected)").arg(what).arg(level, 0, 'f', 4).arg(expected, 0, 'f', 4));
        QVERIFY2(expected == 0.0 ? level >= 0.0 && level < 0.001 : qAbs(level / expected - 1.0) < 0.06, qPrintable(what));
    }

    // Presses play: how long until the sink hears the music, -1 for not within 1.5 s.
    int msToSound()
    {
        const qint64 pressedAt = frames();
        press("button_playPause");
        for (qint64 at = pressedAt; waitUntilRecorded(at, 10, 1500) && at < pressedAt + framesIn(1500); at += framesIn(10))
            if (rms(at, framesIn(10)) > 0.02)
                return int((at - pressedAt) * 1000 / 44100);
        return -1;
    }
    bool listen()
    {
        parec.kill(), parec.waitForFinished(5000), recorded.clear();
        parec.start("parec", {"--device=sonavel_test.monitor", "--format=s16le", "--rate=44100", "--channels=2", "--raw", "--latency-msec=20"});
        return parec.waitForStarted(5000) && waitUntilRecorded(0, 300);
    }
    // The window goes on answering its player meanwhile.
    static bool server(const char *command)
    {
        QProcess script;
        script.start(SONAVEL_SOUND_SERVER, {command, qEnvironmentVariable("SONAVEL_SOUND_DIR")});
        return QTest::qWaitFor([&] { return script.state() == QProcess::NotRunning; }, 20000) && script.exitCode() == 0;
    }

    double source = 0.0;

private slots:
    void initTestCase()
    {
        QProcess pactl;
        pactl.start("pactl", {"list", "short", "sinks"});
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || !pactl.waitForFinished(10000) || !pactl.readAll().contains("sonavel_test"))
            QSKIP("no test sound server: start one with scripts/sound-server");
        // sox writes the samples after a plain 44-byte header.
        const QByteArray wav = readAll(audioFile("sine20.wav")).mid(44);
        source = rmsOf(wav.constData(), wav.size() / 2);
        QVERIFY(source > 0.1);
        report(QStringLiteral("source RMS (sine20.wav): %1").arg(source, 0, 'f', 4));
        connect(&parec, &QProcess::readyReadStandardOutput, this, [this] { recorded += parec.readAllStandardOutput(); });
        QVERIFY(listen());
    }
    void cleanupTestCase()
    {
        parec.kill();
        parec.waitForFinished(5000);
    }
    void init() { makeWindow(); }
    void cleanup() { delete window; }

    // QMediaPlayer's volume is linear in amplitude all the way to the sink.
    void eachControlIsHeard()
    {
        open(audioFile("sine20.wav"));
        QVERIFY(playPast(200));
        expectLevel("volume 100", source);
        child<QSlider>(window, "slider_Volume")->setValue(50);
        expectLevel("volume 50", source / 2);
        press("button_muteSong");
        expectLevel("muted", 0.0);
        press("button_muteSong");
        expectLevel("unmuted", source / 2);
        action("actionLancer")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PausedState, 5000);
        const qint64 pausedAt = player()->position();
        expectLevel("paused", 0.0);
        QCOMPARE(player()->position(), pausedAt);
        press("button_playPause");
        expectLevel("resumed", source / 2);
        press("button_stopSong");
        expectLevel("stopped", 0.0);
        QCOMPARE(player()->position(), qint64(0));
    }

    // However long the file sat ready (loaded, paused or stopped), the music
    // starts as soon as play is pressed, not after as much silence as the wait.
    // So too when the sound server ended and started again meanwhile, or was
    // missing until then; missing at a play, or gone while the music plays,
    // it is said at once, and nothing claims to play.
    void playAfterAWaitIsHeardAtOnce_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("restart");
        QTest::newRow("loaded") << QString() << false;
        QTest::newRow("paused") << QStringLiteral("button_playPause") << false;
        QTest::newRow("stopped") << QStringLiteral("button_stopSong") << false;
        QTest::newRow("loaded, no sound server until then") << QString() << true;
        QTest::newRow("paused, sound server restarted") << QStringLiteral("button_playPause") << true;
        QTest::newRow("stopped, sound server restarted") << QStringLiteral("button_stopSong") << true;
        QTest::newRow("playing, sound server restarted") << QStringLiteral("playing") << true;
    }
    void playAfterAWaitIsHeardAtOnce()
    {
        QFETCH(QString, before);
        QFETCH(bool, restart);
        QVERIFY(!restart || !before.isEmpty() || server("down"));
        open(audioFile("tagged.mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(loaded(), 10000);
        if (!before.isEmpty()) {
            QVERIFY(playPast(500));
            if (before != "playing")
                press(qPrintable(before));
            QVERIFY(!restart || server("down"));
            QTRY_VERIFY_WITH_TIMEOUT(!playing(), 5000);
        }
        if (restart && !before.startsWith("button_")) {
            press("button_playPause");
            QTRY_VERIFY_WITH_TIMEOUT(status().startsWith("Lecture impossible : ") && !playing() && showsPlayLook() && window->statusBar()->toolTip() == status(), 5000);
        }
        QVERIFY(restart ? server("up") && listen() : waitUntilRecorded(frames(), 3000, 15000));
        const QString title = label("label_fileName");
        const int ms = msToSound();
        report(QStringLiteral("play after a wait, %1: first sound after %2 ms").arg(QTest::currentDataTag()).arg(ms));
        QVERIFY2(ms >= 0 && ms <= (restart ? 1000 : 300) && status() == "Musique en cours de lecture", qPrintable(status()));
        QVERIFY(title.contains(QLatin1String("Chanson d'essai")));
        QCOMPARE(label("label_fileName"), title);
    }
};

QTEST_MAIN(TestSoundPath)
#include "tst_soundpath.moc"
