#pragma once

// Listening to what the window plays. tests/sound-server.sh runs a private
// PulseAudio whose null sink, sonavel_test, the player plays into; parec
// records that sink's monitor, and the tests measure the recording.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtEndian>
#include <QtMath>
#include <QtTest>

// Why the test sound server cannot be used, or nothing when it can.
inline QString soundServerProblem()
{
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return QStringLiteral("PULSE_SERVER is not set: start a server with tests/sound-server.sh");
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
    if (!pactl.waitForFinished(10000) || pactl.exitStatus() != QProcess::NormalExit || pactl.exitCode() != 0)
        return QStringLiteral("pactl cannot reach the server at ") + qEnvironmentVariable("PULSE_SERVER");
    return pactl.readAllStandardOutput().contains("sonavel_test") ? QString() : QStringLiteral("the server has no sonavel_test sink");
}

// A measured figure: logged, and appended to <test program>.report in the
// working directory, which scripts/test prints (ctest shows nothing of a
// passing test).
inline void report(const QString &line)
{
    static bool first = true;
    qInfo().noquote() << line;
    QFile file(QCoreApplication::applicationName() + QLatin1String(".report"));
    if (file.open(first ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::Append))
        file.write(line.toUtf8() + '\n');
    first = false;
}

// RMS, full scale 1.0, of interleaved signed 16-bit samples.
inline double rmsOf(const char *bytes, qint64 samples)
{
    double sum = 0.0;
    for (qint64 i = 0; i < samples; ++i)
        sum += qPow(qFromLittleEndian<qint16>(bytes + 2 * i) / 32768.0, 2);
    return samples > 0 ? std::sqrt(sum / double(samples)) : 0.0;
}

// RMS of a test WAV's samples: sox writes them after a plain 44-byte header.
inline double rmsOfWav(const QString &path)
{
    QFile file(path);
    const QByteArray wav = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return wav.size() > 44 ? rmsOf(wav.constData() + 44, (wav.size() - 44) / 2) : -1.0;
}

// parec on the sink's monitor: s16le, 44.1 kHz, two channels.
class MonitorCapture
{
public:
    static qint64 framesIn(int ms) { return qint64(44100) * ms / 1000; }

    MonitorCapture()
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, [this] { data += process.readAllStandardOutput(); });
    }
    ~MonitorCapture()
    {
        process.kill();
        process.waitForFinished(5000);
    }
    // A short latency so that what is played reaches us within tens of ms.
    bool start()
    {
        process.start(QStringLiteral("parec"), {QStringLiteral("--device=sonavel_test.monitor"), QStringLiteral("--format=s16le"),
                                                QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
                                                QStringLiteral("--raw"), QStringLiteral("--latency-msec=20")});
        return process.waitForStarted(5000);
    }
    qint64 frames() const { return data.size() / 4; }
    double rms(qint64 first, qint64 count) const
    {
        first = qBound<qint64>(0, first, frames());
        return rmsOf(data.constData() + first * 4, qBound<qint64>(0, count, frames() - first) * 2);
    }
    // Waits, bounded, until what is played `ms` after frame `first` has been recorded.
    bool waitUntilRecorded(qint64 first, int ms, int timeout = 10000)
    {
        return QTest::qWaitFor([&] { return frames() >= first + framesIn(ms); }, timeout);
    }
    // The level once it holds still: the RMS over four consecutive 150 ms
    // blocks that agree within 3 % (or 0.002 near silence), the first starting
    // 250 ms from now at the earliest. A change of volume is heard about 200 ms
    // later (the sink's buffer), so a window still holding the old level also
    // holds the step and does not agree. -1 when it does not settle in time.
    double steadyLevel(int timeout = 8000)
    {
        const qint64 block = framesIn(150);
        QElapsedTimer clock;
        clock.start();
        for (qint64 first = frames() + framesIn(250); !clock.hasExpired(timeout); first += block) {
            if (!QTest::qWaitFor([&] { return frames() >= first + 4 * block; }, timeout))
                return -1.0;
            double low = 1.0, high = 0.0;
            for (int i = 0; i < 4; ++i) {
                low = qMin(low, rms(first + i * block, block));
                high = qMax(high, rms(first + i * block, block));
            }
            if (high - low <= qMax(0.03 * high, 0.002))
                return rms(first, 4 * block);
        }
        return -1.0;
    }
    // Seconds of sound recorded from frame `first` on: 10 ms blocks louder
    // than `threshold`, far below the tones and far above silence.
    double heardSeconds(qint64 first, double threshold = 0.02) const
    {
        int loud = 0;
        for (qint64 at = first; at + framesIn(10) <= frames(); at += framesIn(10))
            loud += rms(at, framesIn(10)) > threshold;
        return loud * 0.010;
    }
    // Milliseconds from frame `first` to the first 10 ms block louder than
    // `threshold`, or -1 when everything recorded since is silent.
    int msToFirstSound(qint64 first, double threshold = 0.02) const
    {
        for (qint64 at = first; at + framesIn(10) <= frames(); at += framesIn(10)) {
            if (rms(at, framesIn(10)) > threshold)
                return int((at - first) * 1000 / 44100);
        }
        return -1;
    }

private:
    QProcess process;
    QByteArray data;
};
