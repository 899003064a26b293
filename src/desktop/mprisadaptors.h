// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coverartfile.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMetaProperty>
#include <QStringList>
#include <QVariantMap>

class MainWindow;
class QWidget;

// Shows the window, unminimised, above the others.
void bringToFront(QWidget *window);

// org.freedesktop.DBus.Properties for the adaptors beside it, in place of
// Qt's own, which converts what it is given: a Volume of "0.25" or true would
// set the volume. A value of another type than the property's is refused.
class MprisPropertiesAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
    // Qt describes this interface itself.
    Q_CLASSINFO("D-Bus Introspection", " ")

public:
    explicit MprisPropertiesAdaptor(QObject *root);

public slots:
    QDBusVariant Get(const QString &interface, const QString &name);
    QVariantMap GetAll(const QString &interface);
    void Set(const QString &interface, const QString &name, const QDBusVariant &value);

private:
    // Each tells the caller why it finds nothing.
    QObject *adaptor(const QString &interface) const;
    QMetaProperty findProperty(QObject *adaptor, const QString &name) const;
};

// org.mpris.MediaPlayer2: the application as a whole.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes CONSTANT)
    Q_PROPERTY(bool CanRaise READ yes CONSTANT)
    Q_PROPERTY(bool HasTrackList READ no CONSTANT)
    Q_PROPERTY(QString Identity READ identity CONSTANT)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry CONSTANT)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes CONSTANT)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes CONSTANT)

public:
    MprisRootAdaptor(QObject *root, MainWindow *window);

    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Sonavel"); }
    QString desktopEntry() const { return QStringLiteral(SONAVEL_APP_ID); }
    QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList supportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    MainWindow *window;
};

// org.mpris.MediaPlayer2.Player: every command goes through the window's own
// controls, every value is read from the player when asked.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(double MinimumRate READ rate CONSTANT)
    Q_PROPERTY(double MaximumRate READ rate CONSTANT)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ no CONSTANT)
    Q_PROPERTY(bool CanGoPrevious READ no CONSTANT)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPlay)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ yes CONSTANT)

public:
    MprisPlayerAdaptor(QObject *root, MainWindow *window, const QDBusConnection &bus);

    QString playbackStatus() const;
    double rate() const { return 1.0; }
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    bool canPlay() const;
    bool canSeek() const;
    bool yes() const { return true; }
    bool no() const { return false; }

public slots:
    void Next() {}
    void Previous() {}
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath &TrackId, qlonglong Position);
    void OpenUri(const QString &Uri);

signals:
    void Seeked(qlonglong Position);

private:
    void announceChanges();
    void seekAndSay(qint64 milliseconds);

    MainWindow *window;
    QDBusConnection bus;
    // What the bus was last told, so that PropertiesChanged carries only what changed.
    QVariantMap announced;
    // Counts loads: every file loaded, the same again included, is a new track.
    int loads = 0;
    // Written the first time the bus asks for a cover.
    mutable CoverArtFile cover;
    // Until a new track is loaded the player still holds the previous one's
    // tags and length: they are not the track's, and not announced.
    bool trackLoaded = false;
};

// fr.quenbrik.Sonavel: a second start hands its file over here (sessionbus.h).
class HandOffAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "fr.quenbrik.Sonavel")

public:
    HandOffAdaptor(QObject *root, MainWindow *window);

public slots:
    // Answered from the event loop: a window that answers takes what it is handed next.
    bool Ready() { return true; }
    void Open(const QString &uri);

private:
    MainWindow *window;
};
