#ifndef QTAUTOUPDATER_UPDATEBUTTON_H
#define QTAUTOUPDATER_UPDATEBUTTON_H

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

class QProgressBar;
class QPushButton;

namespace QtAutoUpdater {

class UpdateController;

// A "Check for updates" button with a busy indicator that follows its
// controller. Without a controller (or once it is destroyed) the whole
// widget is disabled.
class UpdateButton : public QWidget
{
    Q_OBJECT

public:
    explicit UpdateButton(QWidget *parent = nullptr, UpdateController *controller = nullptr);
    ~UpdateButton() override;

    UpdateController *controller() const;
    void setController(UpdateController *controller);

private:
    void startCheck();
    void updateState();

    QPushButton *m_button = nullptr;
    QProgressBar *m_busyIndicator = nullptr;
    QPointer<UpdateController> m_controller;
    QMetaObject::Connection m_runningConnection;
    QMetaObject::Connection m_destroyedConnection;
};

} // namespace QtAutoUpdater

#endif // QTAUTOUPDATER_UPDATEBUTTON_H
