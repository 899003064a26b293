#ifndef QTAUTOUPDATER_UPDATECONTROLLER_H
#define QTAUTOUPDATER_UPDATECONTROLLER_H

#include "updatecheck.h"

#include <QObject>
#include <QString>

namespace QtAutoUpdater {

class UpdateWindows;

// Looks for updates with the installer's maintenance tool (UpdateCheck) and,
// depending on the display level, shows what it found (UpdateWindows).
class UpdateController : public QObject
{
    Q_OBJECT

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

    using Status = UpdateCheck::Status;
    using Failure = UpdateCheck::Failure;
    using Result = UpdateCheck::Result;

    // A relative path is taken relative to the application's directory; on
    // systems other than Windows a trailing ".exe" is dropped.
    explicit UpdateController(const QString &maintenanceToolPath, QObject *parent = nullptr);
    ~UpdateController() override;

    QString maintenanceToolPath() const;

    bool isDetailedUpdateInfo() const;
    void setDetailedUpdateInfo(bool detailed);

    void setCheckTimeout(int milliseconds);

    bool isRunning() const;
    DisplayLevel currentDisplayLevel() const;
    Result lastResult() const;

public Q_SLOTS:
    // Returns at once. False when a check is already under way, or the tool is
    // missing or not executable; the latter is still reported through
    // checkFinished() and lastResult() (and a window, if the level says so).
    // A request at a higher level than the running check's raises that check
    // to it: its busy window appears now and its result is shown as asked.
    bool start(QtAutoUpdater::UpdateController::DisplayLevel displayLevel = InfoLevel);

    // Stops a running check; it finishes as Failed/Canceled and shows nothing.
    void cancel();

    // Starts "<tool> --updater" detached from this process.
    bool launchUpdater();
    void setUpdaterScheduledOnExit(bool scheduled);

Q_SIGNALS:
    void runningChanged(bool running);
    void checkFinished(const QtAutoUpdater::UpdateCheck::Result &result);
    void updaterLaunched();

private:
    void beginCheck();
    void finishCheck(const Result &result);
    void updateNow();
    void onAboutToQuit();

    UpdateCheck *m_check;
    UpdateWindows *m_windows;
    bool m_detailed = false;
    bool m_running = false;
    bool m_runUpdaterOnExit = false;
    DisplayLevel m_level = InfoLevel;
    Result m_lastResult;
};

} // namespace QtAutoUpdater

#endif // QTAUTOUPDATER_UPDATECONTROLLER_H
