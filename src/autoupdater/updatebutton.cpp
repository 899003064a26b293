#include "updatebutton.h"

#include "updatecontroller.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

namespace QtAutoUpdater {

UpdateButton::UpdateButton(QWidget *parent, UpdateController *controller)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_button = new QPushButton(tr("Check for updates"), this);
    m_button->setObjectName(QStringLiteral("checkButton"));
    layout->addWidget(m_button);

    m_busyIndicator = new QProgressBar(this);
    m_busyIndicator->setObjectName(QStringLiteral("busyIndicator"));
    m_busyIndicator->setRange(0, 0);
    m_busyIndicator->setTextVisible(false);
    m_busyIndicator->setMaximumWidth(m_button->sizeHint().width());
    // Keep the button where it is when the indicator comes and goes.
    QSizePolicy policy = m_busyIndicator->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_busyIndicator->setSizePolicy(policy);
    layout->addWidget(m_busyIndicator);

    connect(m_button, &QPushButton::clicked, this, &UpdateButton::startCheck);

    setController(controller);
}

UpdateButton::~UpdateButton() = default;

UpdateController *UpdateButton::controller() const
{
    return m_controller;
}

void UpdateButton::setController(UpdateController *controller)
{
    disconnect(m_runningConnection);
    disconnect(m_destroyedConnection);
    m_controller = controller;
    if (controller) {
        m_runningConnection = connect(controller, &UpdateController::runningChanged,
                                      this, &UpdateButton::updateState);
        // The QPointer is already null when destroyed() arrives, which is
        // what updateState() needs to see.
        m_destroyedConnection = connect(controller, &QObject::destroyed,
                                        this, &UpdateButton::updateState);
    }
    updateState();
}

void UpdateButton::startCheck()
{
    if (m_controller)
        m_controller->start(UpdateController::ProgressLevel);
}

void UpdateButton::updateState()
{
    const bool running = m_controller && m_controller->isRunning();
    setEnabled(!m_controller.isNull());
    m_button->setEnabled(!running);
    m_busyIndicator->setVisible(running);
}

} // namespace QtAutoUpdater
