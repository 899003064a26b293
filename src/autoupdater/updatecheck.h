#ifndef QTAUTOUPDATER_UPDATECHECK_H
#define QTAUTOUPDATER_UPDATECHECK_H

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
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

// One run of the installer's maintenance tool with --checkupdates, and no
// window: finds the tool, runs it in a process group of its own within a time
// and an output limit, and reads its answer. Whatever ends the check early (the
// time limit, stop(), the application about to quit) ends the whole group, so
// no helper the tool started outlives it.
class UpdateCheck : public QObject
{
    Q_OBJECT

public:
    enum class Status {
        NotChecked,
        UpdatesAvailable,
        NoUpdates,
        Failed
    };
    Q_ENUM(Status)

    enum class Failure {
        None,
        ToolMissing,
        ToolNotExecutable,
        FailedToStart,
        TimedOut,
        Crashed,
        ExitCode,        // exited with a code other than 0 or 1
        InvalidOutput,   // exited with 0 but printed no readable list
        OutputTooLarge,
        Canceled
    };
    Q_ENUM(Failure)

    struct Result
    {
        Status status = Status::NotChecked;
        QList<UpdateInfo> updates;
        Failure failure = Failure::None;
        int exitCode = -1;      // -1 when the tool did not exit normally
        QString errorOutput;    // the tool's standard error, trimmed
        QString errorString;    // translated, for the user; empty unless Failed
    };

    static constexpr int DefaultTimeout = 60 * 1000;
    static constexpr int TerminateGracePeriod = 2000;
    // A real tool prints a few kilobytes; anything near this is a broken or
    // hostile tool, and we would rather stop it than keep growing a buffer.
    static constexpr int MaxOutput = 4 * 1024 * 1024;

    // A relative path is taken relative to the application's directory; on
    // systems other than Windows a trailing ".exe" is dropped.
    static QString resolveToolPath(const QString &path);

    // Reads what the tool printed when it exited with 0: log lines may come
    // before and after its <updates> list. Updates, none (an empty list), or
    // Failed/InvalidOutput.
    static Result parseOutput(const QByteArray &output);

    explicit UpdateCheck(const QString &toolPath, QObject *parent = nullptr);
    ~UpdateCheck() override;

    QString toolPath() const;
    void setTimeout(int milliseconds);
    bool isRunning() const;

    // Failed (ToolMissing or ToolNotExecutable) when the tool cannot be run.
    Result checkTool() const;

    // Returns at once, and false while a check runs. The tool is started from
    // the event loop, so it gets the environment as it is then, and finished()
    // always comes later.
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
    void finish(Result result);
    QString failureText(Failure failure, int exitCode) const;

    QString m_toolPath;
    int m_timeout = DefaultTimeout;
    bool m_running = false;
    QProcess *m_process = nullptr;
    qint64 m_group = 0;
    Failure m_stopReason = Failure::None;
    QByteArray m_stdout;
    QByteArray m_stderr;
    QTimer m_timeoutTimer;
    QTimer m_killTimer;
};

} // namespace QtAutoUpdater

Q_DECLARE_METATYPE(QtAutoUpdater::UpdateInfo)
Q_DECLARE_METATYPE(QtAutoUpdater::UpdateCheck::Result)

#endif // QTAUTOUPDATER_UPDATECHECK_H
