// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QPushButton>

namespace QtAutoUpdater {

class UpdateController;

// A "Check for updates" button for its controller, disabled without one.
class UpdateButton : public QPushButton
{
    Q_OBJECT

public:
    explicit UpdateButton(QWidget *parent = nullptr, UpdateController *controller = nullptr);

    UpdateController *controller() const { return m_controller; }
    void setController(UpdateController *controller);

private:
    QPointer<UpdateController> m_controller;
};

} // namespace QtAutoUpdater
