#include "sessionbus.h"
#include "mprisservice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QFileInfo>
#include <QUrl>

bool sessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    // libdbus looks here too before it falls back on autolaunch.
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeDir.isEmpty() && QFileInfo::exists(runtimeDir + QLatin1String("/bus"));
}

bool handOffToRunningPlayer(const QUrl &url, int timeoutMs)
{
    if (!sessionBusExists())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(MprisService::mainName))
        return false;

    QDBusMessage open = QDBusMessage::createMethodCall(MprisService::mainName, MprisService::objectPath,
                                                       MprisService::handOffInterface, QStringLiteral("Open"));
    open.setAutoStartService(false);
    // The deadline falls a little before we stop waiting, so that an answer
    // still on its way when we give up says no.
    open << url.toString() << QDateTime::currentMSecsSinceEpoch() + timeoutMs - timeoutMs / 5;
    const QDBusMessage reply = bus.call(open, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}
