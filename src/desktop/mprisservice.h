#pragma once

#include <QObject>
#include <QString>

class MainWindow;

// The window on the session bus: the MPRIS interfaces that media keys, the
// desktop's player widgets and playerctl speak, and the hand-off of files from
// a second start. Without a session bus it does nothing.
class MprisService : public QObject
{
    Q_OBJECT

public:
    static const QString mainName;
    static const QString objectPath;
    static const QString handOffInterface;

    explicit MprisService(MainWindow *window);
    ~MprisService() override;

    // The name taken on the bus; empty when there is no bus.
    QString serviceName() const { return name; }

private:
    bool exported = false;
    QString name;
};
