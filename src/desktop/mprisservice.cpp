#include "mprisservice.h"
#include "mprisadaptors.h"
#include "sessionbus.h"

#include <QCoreApplication>
#include <QDBusConnection>

const QString MprisService::mainName = QStringLiteral("org.mpris.MediaPlayer2.sonavel");
const QString MprisService::objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString MprisService::handOffInterface = QStringLiteral("fr.quenbrik.Sonavel");

MprisService::MprisService(MainWindow *window) : QObject(nullptr)
{
    // No session bus, no media keys: the window works the same without. Not
    // even a disconnected QDBusConnection is made then.
    if (!sessionBusExists())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    new MprisRootAdaptor(this, window);
    new MprisPlayerAdaptor(this, window, bus);
    new HandOffAdaptor(this, window);
    exported = bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors);
    if (!exported)
        return;
    // The first window takes the player's name; any other one its own, as MPRIS has it.
    name = mainName;
    if (!bus.registerService(name)) {
        name = mainName + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
        if (!bus.registerService(name))
            name.clear();
    }
}

MprisService::~MprisService()
{
    if (!exported)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!name.isEmpty())
        bus.unregisterService(name);
    bus.unregisterObject(objectPath);
}
