// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>

class MainWindow;

// The window on the session bus: the MPRIS interfaces that media keys, the
// desktop's player widgets and playerctl speak, and the hand-off of files from
// a second start. Without a session bus it does nothing. Its adaptors answer
// a call with an error through its QDBusContext.
class MprisService : public QObject, public QDBusContext
{
    Q_OBJECT

public:
    static const QString mainName;
    static const QString objectPath;
    static const QString handOffInterface;

    // Takes the player's name when no other Sonavel of the session holds it.
    // Given no window, it takes it before there is one: calls wait in the
    // queue until attach() has run and the event loop reads them.
    explicit MprisService(MainWindow *window = nullptr);
    ~MprisService() override;

    // Puts the window's interfaces on the bus; a window that is not the
    // first takes a name of its own.
    void attach(MainWindow *window);
    // The name taken on the bus; empty when there is no bus.
    QString serviceName() const { return name; }
    // Opens a file asked for over the bus once the calls already waiting have
    // been read: of a burst only the last one is loaded, and none waits on it.
    void openSoon(const QString &uri, bool toFront);

private:
    bool exported = false;
    QString name;
    MainWindow *window = nullptr;
    QString nextFile;
    bool nextToFront = false;
    bool openQueued = false;
};
