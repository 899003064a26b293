#ifndef QTAUTOUPDATER_UPDATECONTROLLER_H
#define QTAUTOUPDATER_UPDATECONTROLLER_H

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QProcess;
class QWidget;

namespace QtAutoUpdater {

// One entry of the list the maintenance tool prints for --checkupdates.
struct UpdateInfo
{
    QString name;
    QString version;
    qint64 size = 0;   // bytes; 0 when the tool did not say
};

// Runs the installer's maintenance tool with --checkupdates without blocking
// the caller, reports what it found and, depending on the display level,
// shows it to the user.
//
// Windows it opens are top-level, non-modal and delete themselves on close;
// they never keep the application running, and go away when it quits.
// Their object names let callers (and tests) find them:
//   "qtautoupdater_ask"        question asked before checking (AskLevel)
//   "qtautoupdater_progress"   busy window while the tool runs
//   "qtautoupdater_updates"    the list of available updates
//   "qtautoupdater_noUpdates"  "no updates" message
//   "qtautoupdater_failure"    why the check failed
class UpdateController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool running READ isRunning NOTIFY runningChanged)
    Q_PROPERTY(bool detailedUpdateInfo READ isDetailedUpdateInfo WRITE setDetailedUpdateInfo)
    Q_PROPERTY(int checkTimeout READ checkTimeout WRITE setCheckTimeout)
    Q_PROPERTY(QString maintenanceToolPath READ maintenanceToolPath CONSTANT)

public:
    enum DisplayLevel {
        AutomaticLevel = 0,     // nothing is shown
        ExitLevel = 1,          // nothing is shown
        InfoLevel = 2,          // the update list, only if there are updates
        ExtendedInfoLevel = 3,  // as InfoLevel, plus "no updates" or the failure
        ProgressLevel = 4,      // a busy window, then the result in every case
        AskLevel = 5            // asks first, then as ProgressLevel
    };
    Q_ENUM(DisplayLevel)

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

    static constexpr int DefaultCheckTimeout = 60 * 1000;
    static constexpr int TerminateGracePeriod = 2000;

    // A relative path is taken relative to the application's directory; on
    // systems other than Windows a trailing ".exe" is dropped.
    explicit UpdateController(const QString &maintenanceToolPath, QObject *parent = nullptr);
    ~UpdateController() override;

    static QString resolveToolPath(const QString &path);

    QString maintenanceToolPath() const;

    bool isDetailedUpdateInfo() const;
    void setDetailedUpdateInfo(bool detailed);

    int checkTimeout() const;
    void setCheckTimeout(int milliseconds);

    bool isRunning() const;
    DisplayLevel currentDisplayLevel() const;
    Result lastResult() const;

    bool isUpdaterScheduledOnExit() const;

public Q_SLOTS:
    // Returns at once. False when a check is already under way or the tool
    // is missing or not executable; the latter is still reported through
    // checkFinished() and lastResult() (and a window, if the level says so).
    bool start(QtAutoUpdater::UpdateController::DisplayLevel displayLevel = InfoLevel);

    // Stops a running check; it finishes as Failed/Canceled and shows nothing.
    void cancel();

    // Starts "<tool> --updater" detached from this process.
    bool launchUpdater();
    void setUpdaterScheduledOnExit(bool scheduled);

Q_SIGNALS:
    void runningChanged(bool running);
    void checkFinished(const QtAutoUpdater::UpdateController::Result &result);
    void updaterLaunched();

private:
    bool validateTool(Result *failure) const;
    void beginCheck();
    void stopProcess(Failure reason);
    void onProcessFinished(int exitCode, int exitStatus);
    void onProcessError(int error);
    void drainOutput();
    void finishCheck(const Result &result);
    void reportResult(const Result &result);
    void onAboutToQuit();
    void deleteWindows();

    void showQuestion();
    void showProgress();
    void closeProgress();
    void showUpdates(const Result &result);
    void showMessage(const Result &result);
    void replaceResultWindow(QWidget *window);
    QString timeoutText() const;

    QString m_toolPath;
    bool m_detailed = false;
    int m_timeout = DefaultCheckTimeout;
    bool m_running = false;
    bool m_runUpdaterOnExit = false;
    DisplayLevel m_level = InfoLevel;
    Result m_lastResult;

    QProcess *m_process = nullptr;
    Failure m_stopReason = Failure::None;
    QByteArray m_stdout;
    QByteArray m_stderr;
    QTimer m_timeoutTimer;
    QTimer m_killTimer;

    QPointer<QWidget> m_questionWindow;
    QPointer<QWidget> m_progressWindow;
    QPointer<QWidget> m_resultWindow;
};

} // namespace QtAutoUpdater

Q_DECLARE_METATYPE(QtAutoUpdater::UpdateInfo)
Q_DECLARE_METATYPE(QtAutoUpdater::UpdateController::Result)

#endif // QTAUTOUPDATER_UPDATECONTROLLER_H
