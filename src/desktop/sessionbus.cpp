// SPDX-License-Identifier: GPL-3.0-or-later
#include "sessionbus.h"
#include "mprisservice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QUrl>

#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Whether the bus at this one local address answers the first step of a
// connection, the authentication, before `deadline`: OK or not, it is awake.
// A stopped bus still takes the connection (the kernel queues it) but never
// answers.
bool answers(const QByteArray &entry, const QDeadlineTimer &deadline)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    QByteArray path;
    for (const QByteArray &pair : entry.mid(entry.indexOf(':') + 1).split(',')) {
        const QByteArray key = pair.left(pair.indexOf('='));
        if (key == "path" || key == "abstract")
            path = (key == "abstract" ? QByteArray(1, '\0') : QByteArray())
                + QByteArray::fromPercentEncoding(pair.mid(key.size() + 1));
    }
    if (path.isEmpty() || path.size() >= int(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    // Not blocking: a local connection is made at once, or refused when the
    // bus's queue of connections is full.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()))) != 0) {
        ::close(fd);
        return false;
    }
    // The socket takes the descriptor, and closes it.
    QLocalSocket socket;
    if (!socket.setSocketDescriptor(fd))
        return false;
    socket.write(QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::getuid()).toHex() + "\r\n");
    socket.flush();
    return socket.waitForReadyRead(int(deadline.remainingTime()));
}

bool busAnswers(const QByteArray &addresses, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (const QByteArray &entry : addresses.split(';')) {
        // Only local sockets are looked at; a bus over TCP is taken at its word.
        if (!entry.startsWith("unix:"))
            return !entry.isEmpty();
        if (answers(entry, deadline))
            return true;
    }
    return false;
}

} // namespace

bool sessionBusExists()
{
    static const bool answering = [] {
        const QByteArray given = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        QByteArray address = given;
        // libdbus looks here too before it falls back on autolaunch.
        const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (address.isEmpty() && !runtimeDir.isEmpty() && QFileInfo::exists(runtimeDir + QLatin1String("/bus")))
            address = "unix:path=" + QFile::encodeName(runtimeDir) + "/bus";
        if (address.isEmpty())
            return false;
        if (busAnswers(address, 1000))
            return true;
        // Qt keeps the session bus it first connects to for the whole process:
        // let that be one that refuses at once, so that nothing of Qt's (the
        // accessibility bridge, the global menu's check) waits on the silent
        // one. The programs we start get the address as it was.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null");
        (void)QDBusConnection::sessionBus();
        if (given.isEmpty())
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", given);
        return false;
    }();
    return answering;
}

bool handOffToRunningPlayer(const QUrl &url, int timeoutMs)
{
    if (!sessionBusExists())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto call = [&](const char *method, const QVariantList &arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(MprisService::mainName, MprisService::objectPath,
                                                              MprisService::handOffInterface, QLatin1String(method));
        message.setAutoStartService(false);
        message.setArguments(arguments);
        return bus.call(message, QDBus::Block, timeoutMs);
    };
    // The window answers from its event loop, so a window still being built
    // answers once it is shown, and a frozen one not at all: then we play the
    // file ourselves, and it never hears of it.
    const QDBusMessage ready = call("Ready", {});
    if (ready.type() != QDBusMessage::ReplyMessage || !ready.arguments().value(0).toBool())
        return false;
    // From here on the file is the other window's, whatever becomes of this call.
    call("Open", {url.toString(QUrl::FullyEncoded)});
    return true;
}
