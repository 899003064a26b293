#include "updatecontroller.h"

#include "updatewindows.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>

namespace QtAutoUpdater {

UpdateController::UpdateController(const QString &maintenanceToolPath, QObject *parent)
    : QObject(parent)
    , m_check(new UpdateCheck(maintenanceToolPath, this))
    , m_windows(new UpdateWindows(this))
{
    connect(m_check, &UpdateCheck::finished, this, &UpdateController::finishCheck);
    connect(m_windows, &UpdateWindows::answered, this, [this](bool yes) {
        if (yes) {
            beginCheck();
        } else {
            m_running = false;
            emit runningChanged(false);
        }
    });
    connect(m_windows, &UpdateWindows::canceled, this, &UpdateController::cancel);
    connect(m_windows, &UpdateWindows::updateNowClicked, this, &UpdateController::updateNow);
    connect(m_windows, &UpdateWindows::updateOnExitClicked, this, [this] { setUpdaterScheduledOnExit(true); });
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &UpdateController::onAboutToQuit);
}

UpdateController::~UpdateController() = default;

QString UpdateController::maintenanceToolPath() const
{
    return m_check->toolPath();
}

bool UpdateController::isDetailedUpdateInfo() const
{
    return m_detailed;
}

void UpdateController::setDetailedUpdateInfo(bool detailed)
{
    m_detailed = detailed;
}

void UpdateController::setCheckTimeout(int milliseconds)
{
    m_check->setTimeout(milliseconds);
}

bool UpdateController::isRunning() const
{
    return m_running;
}

UpdateController::DisplayLevel UpdateController::currentDisplayLevel() const
{
    return m_level;
}

UpdateController::Result UpdateController::lastResult() const
{
    return m_lastResult;
}

void UpdateController::setUpdaterScheduledOnExit(bool scheduled)
{
    m_runUpdaterOnExit = scheduled;
}

bool UpdateController::start(DisplayLevel displayLevel)
{
    if (m_running) {
        // The user asking while a quiet check runs gets that check, shown as
        // asked; it is already under way, so there is nothing left to ask.
        if (displayLevel > m_level && !m_windows->isAsking()) {
            m_level = displayLevel;
            if (m_level >= ProgressLevel)
                m_windows->showProgress();
        }
        return false;
    }

    m_level = displayLevel;
    // Checked before anything is asked or started, so a broken installation
    // never gets as far as a question or a busy window.
    const Result failure = m_check->checkTool();
    if (failure.status == Status::Failed) {
        finishCheck(failure);
        return false;
    }

    m_running = true;
    emit runningChanged(true);
    if (displayLevel == AskLevel)
        m_windows->ask();
    else
        beginCheck();
    return true;
}

void UpdateController::beginCheck()
{
    if (m_level >= ProgressLevel)
        m_windows->showProgress();
    m_check->start();
}

void UpdateController::cancel()
{
    if (m_windows->isAsking()) {
        m_windows->closeQuestion();
        m_running = false;
        emit runningChanged(false);
        return;
    }
    m_check->stop(Failure::Canceled);
}

void UpdateController::finishCheck(const Result &result)
{
    m_windows->closeProgress();
    const bool wasRunning = m_running;
    m_running = false;
    m_lastResult = result;

    if (m_level >= InfoLevel) {
        if (result.status == Status::UpdatesAvailable)
            m_windows->showUpdates(result.updates, m_detailed);
        // The user asked to stop; telling them it stopped is noise.
        else if (m_level >= ExtendedInfoLevel && result.status == Status::NoUpdates)
            m_windows->showNoUpdates();
        else if (m_level >= ExtendedInfoLevel && result.failure != Failure::Canceled)
            m_windows->showCheckFailure(result.errorString);
    }

    // Last, because a receiver may start another check or delete us.
    if (wasRunning)
        emit runningChanged(false);
    emit checkFinished(result);
}

bool UpdateController::launchUpdater()
{
    if (m_check->checkTool().status == Status::Failed)
        return false;
    const QString tool = m_check->toolPath();
    const bool started = QProcess::startDetached(tool, {QStringLiteral("--updater")}, QFileInfo(tool).absolutePath());
    if (started)
        emit updaterLaunched();
    return started;
}

void UpdateController::updateNow()
{
    if (!launchUpdater()) {
        m_windows->showUpdaterFailure(m_check->toolPath());
        return;
    }
    m_runUpdaterOnExit = false;
    // The updater replaces our files, which it cannot do while we run: leave
    // as closing the window frame does (the last window closed ends the
    // event loop).
    QApplication::closeAllWindows();
}

void UpdateController::onAboutToQuit()
{
    // Last chance to remove our windows while QApplication is whole.
    m_windows->deleteAll();
    if (!m_runUpdaterOnExit)
        return;
    m_runUpdaterOnExit = false;
    launchUpdater();
}

} // namespace QtAutoUpdater
