// SPDX-License-Identifier: GPL-3.0-or-later
#include "updatebutton.h"

#include "updatecontroller.h"

namespace QtAutoUpdater {

UpdateButton::UpdateButton(QWidget *parent, UpdateController *controller)
    : QPushButton(tr("Check for updates"), parent)
{
    // A click during a check shows that check rather than start another.
    connect(this, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->start(UpdateController::ProgressLevel);
    });
    setController(controller);
}

void UpdateButton::setController(UpdateController *controller)
{
    if (m_controller)
        m_controller->disconnect(this);
    m_controller = controller;
    setEnabled(controller);
    if (controller)
        connect(controller, &QObject::destroyed, this, [this] { setEnabled(false); });
}

} // namespace QtAutoUpdater
