// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updatecheck.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace QtAutoUpdater {

// Looks for updates with the installer's maintenance tool (UpdateCheck) and,
// depending on the display level, shows what it found (UpdateWindows).
class UpdateController : public QObject
{
    Q_OBJECT

public:
    enum DisplayLevel {
        InfoLevel = 2,     // the update list, only if there are updates
        ProgressLevel = 4  // a busy window, then the result in every case
    };
    Q_ENUM(DisplayLevel)

    using Result = UpdateCheck::Result;

    // The path as UpdateCheck::resolveToolPath() takes it.
    explicit UpdateController(const QString &maintenanceToolPath, QObject *parent = nullptr);

    // With details, the update list gives each update's version and size.
    void setDetailedUpdateInfo(bool detailed) { m_detailed = detailed; }
    void setCheckTimeout(int milliseconds) { m_check->setTimeout(milliseconds); }
    bool isRunning() const { return m_check->isRunning(); }
    Result lastResult() const { return m_lastResult; }

public Q_SLOTS:
    // Returns at once; false when a check is under way (a higher level raises it:
    // its busy window appears now) or the tool is missing (reported at once,
    // through checkFinished() and a window if the level says so).
    bool start(QtAutoUpdater::UpdateController::DisplayLevel displayLevel = InfoLevel);

Q_SIGNALS:
    void checkFinished(const QtAutoUpdater::UpdateCheck::Result &result);

private:
    void showProgress();
    void finishCheck(const Result &result);

    UpdateCheck *m_check;
    bool m_detailed = false;
    DisplayLevel m_level = InfoLevel;
    Result m_lastResult;
    QPointer<QWidget> m_progress;
    QPointer<QWidget> m_result;
};

} // namespace QtAutoUpdater
