// SPDX-License-Identifier: GPL-3.0-or-later
#include "mprisservice.h"
#include "mainwindow.h"
#include "mprisadaptors.h"
#include "sessionbus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QMetaObject>

#include <utility>

const QString MprisService::mainName = QStringLiteral("org.mpris.MediaPlayer2.sonavel");
const QString MprisService::objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString MprisService::handOffInterface = QStringLiteral("fr.quenbrik.Sonavel");

MprisService::MprisService(MainWindow *window) : QObject(nullptr)
{
    // No session bus, no media keys: the window works the same without. Not
    // even a disconnected QDBusConnection is made then.
    if (sessionBusExists()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        exported = bus.isConnected() && bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors);
        // Taken in one step on the bus: of several starts at once, one gets it
        // and the others hand their files over to it.
        if (exported && bus.registerService(mainName))
            name = mainName;
    }
    if (window)
        attach(window);
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

void MprisService::attach(MainWindow *window)
{
    if (!exported || this->window)
        return;
    this->window = window;
    QDBusConnection bus = QDBusConnection::sessionBus();
    new MprisPropertiesAdaptor(this);
    new MprisRootAdaptor(this, window);
    new MprisPlayerAdaptor(this, window, bus);
    new HandOffAdaptor(this, window);
    // Any window but the first under a name of its own, as MPRIS has it.
    if (name.isEmpty()) {
        name = mainName + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
        if (!bus.registerService(name))
            name.clear();
    }
}

void MprisService::openSoon(const QString &uri, bool toFront)
{
    nextFile = uri;
    nextToFront = nextToFront || toFront;
    if (std::exchange(openQueued, true))
        return;
    QMetaObject::invokeMethod(this, [this] {
        openQueued = false;
        window->openFile(nextFile);
        if (std::exchange(nextToFront, false))
            bringToFront(window);
    }, Qt::QueuedConnection);
}
