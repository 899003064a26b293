// SPDX-License-Identifier: GPL-3.0-or-later
#include "updatecontroller.h"

#include "updatewindows.h"

#include <QMessageBox>
#include <QProgressDialog>

namespace QtAutoUpdater {

UpdateController::UpdateController(const QString &maintenanceToolPath, QObject *parent)
    : QObject(parent)
    , m_check(new UpdateCheck(maintenanceToolPath, this))
{
    connect(m_check, &UpdateCheck::finished, this, &UpdateController::finishCheck);
}

bool UpdateController::start(DisplayLevel displayLevel)
{
    // The user asking while a quiet check runs gets that check, shown as asked.
    if (m_check->isRunning()) {
        if (displayLevel > m_level)
            showProgress();
        m_level = qMax(m_level, displayLevel);
        return false;
    }
    m_level = displayLevel;
    // Checked first: a broken installation never shows a busy window.
    const Result failure = m_check->checkTool();
    if (failure.status == UpdateCheck::Status::Failed) {
        finishCheck(failure);
        return false;
    }
    m_check->start();
    if (m_level == ProgressLevel)
        showProgress();
    return true;
}

void UpdateController::showProgress()
{
    QProgressDialog *progress = UpdateWindows::progress();
    connect(progress, &QProgressDialog::canceled, m_check, [this] { m_check->stop(); });
    m_progress = progress;
    progress->show();
}

void UpdateController::finishCheck(const Result &result)
{
    // Closing it cancels, which must not read as the user's "stop".
    if (m_progress) {
        m_progress->disconnect(m_check);
        m_progress->close();
    }
    m_lastResult = result;
    // Quietly, only updates are news; a user who asked to stop needs no word of it.
    const bool asked = m_level == ProgressLevel && result.failure != UpdateCheck::Failure::Canceled;
    if (result.status == UpdateCheck::Status::UpdatesAvailable || asked) {
        // One answer on screen at a time: an older one is out of date.
        if (m_result)
            m_result->close();
        m_result = UpdateWindows::result(result, m_detailed);
        m_result->show();
    }
    // Last, because a receiver may start another check or delete us.
    emit checkFinished(result);
}

} // namespace QtAutoUpdater
