// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updatecheck.h"

#include <QCoreApplication>

class QMessageBox;
class QProgressDialog;

namespace QtAutoUpdater {

// The windows of an update check; they know nothing of the tool. Each is
// top-level, non-modal and deleted on close or as the application quits, and
// none keeps it running. Their object names let callers (and tests) find them:
// "qtautoupdater_" and progress, updates, noUpdates or failure.
class UpdateWindows
{
    Q_DECLARE_TR_FUNCTIONS(QtAutoUpdater::UpdateWindows)

public:
    // A busy window whose Cancel button, like closing it, emits canceled().
    static QProgressDialog *progress();
    // The list of updates, "no updates", or why the check failed.
    static QMessageBox *result(const UpdateCheck::Result &result, bool detailed);
};

} // namespace QtAutoUpdater
