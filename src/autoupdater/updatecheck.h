// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QObject>
#include <QTimer>

class QProcess;

namespace QtAutoUpdater {

// One entry of the list the maintenance tool prints for --checkupdates.
struct UpdateInfo
{
    QString name;
    QString version;
    qint64 size = 0;   // bytes; 0 when the tool did not say
};

// One run of the installer's maintenance tool with --checkupdates, and no window:
// the tool runs in a process group of its own within a time and an output limit.
// Whatever ends the check early (the time limit, stop(), the application about
// to quit) ends the whole group, so no helper the tool started outlives it.
class UpdateCheck : public QObject
{
    Q_OBJECT

public:
    enum class Status { NotChecked, UpdatesAvailable, NoUpdates, Failed };
    Q_ENUM(Status)
    // ExitCode: other than 0 (updates) or 1 (none); InvalidOutput: 0, but no readable list.
    enum class Failure { None, ToolMissing, FailedToStart, TimedOut, Crashed, ExitCode, InvalidOutput, OutputTooLarge,
                         Canceled };
    Q_ENUM(Failure)

    struct Result
    {
        Status status = Status::NotChecked;
        Failure failure = Failure::None;
        QList<UpdateInfo> updates;
        QString errorString;   // for the user, with the start of the tool's error output; empty unless Failed
    };

    // A relative path is taken relative to the application's directory; on
    // systems other than Windows a trailing ".exe" is dropped.
    static QString resolveToolPath(const QString &path);
    explicit UpdateCheck(const QString &toolPath, QObject *parent = nullptr);
    ~UpdateCheck() override;

    void setTimeout(int milliseconds) { m_timeout = milliseconds; }
    bool isRunning() const { return m_running; }
    // Failed with ToolMissing when the tool cannot be run.
    Result checkTool() const;
    // Returns at once, and false while a check runs. The tool is started from
    // the event loop, so finished() always comes later.
    bool start();
    void stop(Failure reason = Failure::Canceled);

Q_SIGNALS:
    void finished(const QtAutoUpdater::UpdateCheck::Result &result);

private:
    void launch();
    void drainOutput();
    void onProcessFinished(int exitCode, int exitStatus);
    void signalGroup(bool kill);
    void endNow();
    void finish(const Result &result);
    // What the tool printed when it exited with 0: log lines may come before
    // and after its <updates> list.
    static Result parseOutput(const QByteArray &output);
    Result failed(Failure failure, int exitCode = 0) const;

    QString m_toolPath;
    int m_timeout = 60 * 1000;
    bool m_running = false;
    QProcess *m_process = nullptr;
    qint64 m_group = 0;
    Failure m_stopReason = Failure::None;
    QByteArray m_stdout;
    QByteArray m_stderr;
    QTimer m_timer;   // the time limit, then the grace period of a stop
};

} // namespace QtAutoUpdater

Q_DECLARE_METATYPE(QtAutoUpdater::UpdateCheck::Result)
