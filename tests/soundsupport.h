#pragma once

// Listening to what the window plays. tests/sound-server.sh runs a private
// PulseAudio whose null sink, sonavel_test, the player plays into; parec
// records that sink's monitor, and the tests measure the recording.

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QtEndian>
#include <QElapsedTimer>
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
    if (!pactl.readAllStandardOutput().contains("sonavel_test"))
        return QStringLiteral("the sound server has no sonavel_test sink");
    return QString();
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
    if (samples <= 0)
        return 0.0;
    double sum = 0.0;
    for (qint64 i = 0; i < samples; ++i) {
        const double s = qFromLittleEndian<qint16>(bytes + 2 * i) / 32768.0;
        sum += s * s;
    }
    return std::sqrt(sum / double(samples));
}

// RMS of a 16-bit PCM WAV file's data chunk, or -1 if it has none.
inline double rmsOfWav(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1.0;
    const QByteArray wav = file.readAll();
    for (int at = 12; at + 8 <= wav.size();) {
        const quint32 size = qFromLittleEndian<quint32>(wav.constData() + at + 4);
        if (wav.mid(at, 4) == "data")
            return rmsOf(wav.constData() + at + 8, qMin<qint64>(size, wav.size() - at - 8) / 2);
        at += 8 + int(size) + int(size & 1);
    }
    return -1.0;
}

class MonitorCapture
{
public:
    static constexpr int rate = 44100;
    static constexpr int frameBytes = 4; // s16le, two channels

    MonitorCapture()
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &process,
                         [this] { data += process.readAllStandardOutput(); });
    }
    ~MonitorCapture()
    {
        process.kill();
        process.waitForFinished(5000);
    }

    bool start()
    {
        // A short latency so that what is played reaches us within tens of ms.
        process.start(QStringLiteral("parec"),
                      {QStringLiteral("--device=sonavel_test.monitor"), QStringLiteral("--format=s16le"),
                       QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"), QStringLiteral("--raw"),
                       QStringLiteral("--latency-msec=20")});
        return process.waitForStarted(5000);
    }

    qint64 frames() const { return data.size() / frameBytes; }
    static qint64 framesIn(int milliseconds) { return qint64(rate) * milliseconds / 1000; }

    double rms(qint64 first, qint64 count) const
    {
        first = qBound<qint64>(0, first, frames());
        count = qBound<qint64>(0, count, frames() - first);
        return rmsOf(data.constData() + first * frameBytes, count * 2);
    }

    // Waits, bounded, until what is played `milliseconds` after frame `first`
    // has been recorded.
    bool waitUntilRecorded(qint64 first, int milliseconds, int timeout = 10000)
    {
        return QTest::qWaitFor([&] { return frames() >= first + framesIn(milliseconds); }, timeout);
    }

    // The level once it holds still: the RMS over four consecutive 150 ms
    // blocks that agree within 3 % (or 0.002 near silence), the first of them
    // starting no earlier than 250 ms from now. A change of volume is heard
    // about 200 ms later (the audio sink's buffer), so a window that still
    // holds the old level also holds the step and does not agree.
    // -1 when the level does not settle within `timeout`.
    double steadyLevel(int timeout = 8000)
    {
        constexpr int blocks = 4;
        const qint64 block = framesIn(150);
        QElapsedTimer clock;
        clock.start();
        for (qint64 first = frames() + framesIn(250); !clock.hasExpired(timeout); first += block) {
            if (!QTest::qWaitFor([&] { return frames() >= first + blocks * block; }, timeout))
                return -1.0;
            double low = 1.0, high = 0.0;
            for (int i = 0; i < blocks; ++i) {
                const double level = rms(first + i * block, block);
                low = qMin(low, level);
                high = qMax(high, level);
            }
            if (high - low <= qMax(0.03 * high, 0.002))
                return rms(first, blocks * block);
        }
        return -1.0;
    }

    // Seconds of sound recorded from frame `first` on: 10 ms blocks louder
    // than `threshold`, which is far below the tones and far above silence.
    double heardSeconds(qint64 first, double threshold = 0.02) const
    {
        const qint64 block = framesIn(10);
        int loud = 0;
        for (qint64 at = first; at + block <= frames(); at += block)
            loud += rms(at, block) > threshold;
        return loud * 0.010;
    }

private:
    QProcess process;
    QByteArray data;
};
