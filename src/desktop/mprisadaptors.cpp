// SPDX-License-Identifier: GPL-3.0-or-later
#include "mprisadaptors.h"
#include "mainwindow.h"
#include "mprisservice.h"

#include <QDBusMessage>
#include <QImage>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QSlider>

#include <climits>
#include <cmath>

namespace {

const QString noTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// Answers the call being served with an error. Qt gives the call's context
// to the object that carries the adaptors.
void refuse(const QObject *adaptor, QDBusError::ErrorType error, const QString &why)
{
    static_cast<MprisService *>(adaptor->parent())->sendErrorReply(error, why);
}

// Any program of the session may call: a file name longer than a path can be
// (every byte of it percent-encoded) is refused before anything looks at it.
bool fitsAPath(const QObject *adaptor, const QString &uri)
{
    if (uri.size() <= 3 * PATH_MAX + 16)
        return true;
    refuse(adaptor, QDBusError::InvalidArgs, QStringLiteral("No file name is %1 characters long").arg(uri.size()));
    return false;
}

// QVariant compares object paths by their bytes, not their text: compare the text.
QVariant comparable(const QString &property, const QVariant &value)
{
    if (property != QLatin1String("Metadata"))
        return value;
    QVariantMap map = value.toMap();
    map[QStringLiteral("mpris:trackid")] = map.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
    return map;
}

} // namespace

void bringToFront(QWidget *window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

MprisPropertiesAdaptor::MprisPropertiesAdaptor(QObject *root) : QDBusAbstractAdaptor(root) {}

QObject *MprisPropertiesAdaptor::adaptor(const QString &interface) const
{
    for (QObject *sibling : parent()->children()) {
        const QMetaObject *meta = sibling->metaObject();
        const int info = meta->indexOfClassInfo("D-Bus Interface");
        if (sibling != this && info >= 0 && interface == QLatin1String(meta->classInfo(info).value()))
            return sibling;
    }
    refuse(this, QDBusError::UnknownInterface, QStringLiteral("No interface ") + interface);
    return nullptr;
}

QMetaProperty MprisPropertiesAdaptor::findProperty(QObject *adaptor, const QString &name) const
{
    const QMetaObject *meta = adaptor->metaObject();
    const int index = meta->indexOfProperty(name.toLatin1().constData());
    if (index >= meta->propertyOffset())
        return meta->property(index);
    refuse(this, QDBusError::UnknownProperty, QStringLiteral("No property ") + name);
    return {};
}

QDBusVariant MprisPropertiesAdaptor::Get(const QString &interface, const QString &name)
{
    QObject *found = adaptor(interface);
    const QMetaProperty property = found ? findProperty(found, name) : QMetaProperty();
    return QDBusVariant(property.isValid() ? property.read(found) : QVariant());
}

QVariantMap MprisPropertiesAdaptor::GetAll(const QString &interface)
{
    QVariantMap all;
    if (QObject *found = adaptor(interface)) {
        const QMetaObject *meta = found->metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
            all.insert(QLatin1String(meta->property(i).name()), meta->property(i).read(found));
    }
    return all;
}

void MprisPropertiesAdaptor::Set(const QString &interface, const QString &name, const QDBusVariant &value)
{
    QObject *found = adaptor(interface);
    const QMetaProperty property = found ? findProperty(found, name) : QMetaProperty();
    if (!property.isValid())
        return;
    if (!property.isWritable())
        refuse(this, QDBusError::PropertyReadOnly, name + QStringLiteral(" is read-only"));
    else if (value.variant().userType() != property.userType())
        refuse(this, QDBusError::InvalidArgs, name + QStringLiteral(" takes a ") + QLatin1String(property.typeName()));
    else
        property.write(found, value.variant());
}

MprisRootAdaptor::MprisRootAdaptor(QObject *root, MainWindow *window) : QDBusAbstractAdaptor(root), window(window) {}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    return QStringLiteral(SONAVEL_MIME_TYPES).split(QLatin1Char(','));
}

void MprisRootAdaptor::Raise()
{
    bringToFront(window);
}

void MprisRootAdaptor::Quit()
{
    window->close();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject *root, MainWindow *window, const QDBusConnection &bus)
    : QDBusAbstractAdaptor(root), window(window), bus(bus)
{
    const QMediaPlayer *player = window->mediaPlayer();
    connect(player, &QMediaPlayer::mediaChanged, this, [this] {
        ++loads;
        trackLoaded = false;
        announceChanges();
    });
    connect(player, &QMediaPlayer::stateChanged, this, &MprisPlayerAdaptor::announceChanges);
    connect(player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        trackLoaded = trackLoaded || status != QMediaPlayer::LoadingMedia;
        announceChanges();
    });
    connect(player, QOverload<>::of(&QMediaPlayer::metaDataChanged), this, &MprisPlayerAdaptor::announceChanges);
    connect(player, &QMediaPlayer::durationChanged, this, &MprisPlayerAdaptor::announceChanges);
    connect(player, &QMediaPlayer::volumeChanged, this, &MprisPlayerAdaptor::announceChanges);
    connect(player, &QMediaPlayer::seekableChanged, this, &MprisPlayerAdaptor::announceChanges);
    // A drag of the progress slider seeks at every step; keys, a screen reader's steps too.
    auto *progress = window->findChild<QSlider *>(QStringLiteral("slider_MusicProgress"));
    connect(progress, &QSlider::valueChanged, this, [this](int milliseconds) {
        if (!this->window->isFollowingPlayer())
            emit Seeked(qlonglong(milliseconds) * 1000);
    });
    for (const char *name : {"PlaybackStatus", "Metadata", "Volume", "CanPlay", "CanPause", "CanSeek"})
        announced.insert(QLatin1String(name), comparable(QLatin1String(name), property(name)));
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    switch (window->mediaPlayer()->state()) {
    case QMediaPlayer::PlayingState:
        return QStringLiteral("Playing");
    case QMediaPlayer::PausedState:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    const QMediaPlayer *player = window->mediaPlayer();
    const QUrl url = player->media().request().url();
    if (!window->hasMedia() || url.isEmpty())
        return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(noTrack))}};

    // Tags are the file's own text: they go out as plain strings, as read.
    QVariantMap map{{QStringLiteral("mpris:trackid"),
                     QVariant::fromValue(QDBusObjectPath(QStringLiteral("/fr/quenbrik/Sonavel/track/%1").arg(loads)))},
                    {QStringLiteral("xesam:url"), url.toString(QUrl::FullyEncoded)}};
    if (!trackLoaded)
        return map;
    if (player->duration() > 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(player->duration()) * 1000);
    const QString title = player->metaData(QMediaMetaData::Title).toString();
    const QString album = player->metaData(QMediaMetaData::AlbumTitle).toString();
    const QString albumArtist = player->metaData(QMediaMetaData::AlbumArtist).toString();
    // The engine names the track's own artist a contributing one.
    const QString artist = player->metaData(QMediaMetaData::ContributingArtist).toString();
    const QString artUrl = cover.url(player->metaData(QMediaMetaData::CoverArtImage).value<QImage>());
    if (!title.isEmpty())
        map.insert(QStringLiteral("xesam:title"), title);
    if (!album.isEmpty())
        map.insert(QStringLiteral("xesam:album"), album);
    if (!albumArtist.isEmpty())
        map.insert(QStringLiteral("xesam:albumArtist"), QStringList{albumArtist});
    if (!artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    if (!artUrl.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), artUrl);
    return map;
}

double MprisPlayerAdaptor::volume() const
{
    return window->mediaPlayer()->volume() / 100.0;
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    if (!std::isnan(volume))
        window->setVolumeLevel(int(std::lround(qBound(0.0, volume, 1.0) * 100)));
}

qlonglong MprisPlayerAdaptor::position() const
{
    return qlonglong(window->mediaPlayer()->position()) * 1000;
}

bool MprisPlayerAdaptor::canPlay() const
{
    return window->hasMedia();
}

bool MprisPlayerAdaptor::canSeek() const
{
    return window->hasMedia() && window->mediaPlayer()->isSeekable();
}

void MprisPlayerAdaptor::Pause()
{
    if (window->mediaPlayer()->state() == QMediaPlayer::PlayingState)
        window->togglePlayback();
}

void MprisPlayerAdaptor::PlayPause()
{
    window->togglePlayback();
}

void MprisPlayerAdaptor::Stop()
{
    window->stopPlayback();
}

void MprisPlayerAdaptor::Play()
{
    if (window->mediaPlayer()->state() != QMediaPlayer::PlayingState)
        window->togglePlayback();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    seekAndSay(window->mediaPlayer()->position() + Offset / 1000);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    // A command meant for a track that is no longer loaded is dropped, and
    // so is a position outside the track.
    if (TrackId.path() == metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path()
        && Position >= 0 && Position / 1000 <= window->mediaPlayer()->duration())
        seekAndSay(Position / 1000);
}

void MprisPlayerAdaptor::OpenUri(const QString &Uri)
{
    if (fitsAPath(this, Uri))
        static_cast<MprisService *>(parent())->openSoon(Uri, false);
}

void MprisPlayerAdaptor::seekAndSay(qint64 milliseconds)
{
    if (!canSeek())
        return;
    const qint64 target = qBound<qint64>(0, milliseconds, window->mediaPlayer()->duration());
    window->seekTo(target);
    emit Seeked(qlonglong(target) * 1000);
}

void MprisPlayerAdaptor::announceChanges()
{
    QVariantMap changed;
    for (auto it = announced.begin(); it != announced.end(); ++it) {
        // A new track's Metadata goes out once, whole, when it is loaded.
        if (!trackLoaded && it.key() == QLatin1String("Metadata"))
            continue;
        const QVariant now = property(it.key().toLatin1().constData());
        const QVariant nowComparable = comparable(it.key(), now);
        if (nowComparable != it.value()) {
            it.value() = nowComparable;
            changed.insert(it.key(), now);
        }
    }
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(MprisService::objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    bus.send(signal);
}

HandOffAdaptor::HandOffAdaptor(QObject *root, MainWindow *window) : QDBusAbstractAdaptor(root), window(window) {}

void HandOffAdaptor::Open(const QString &uri)
{
    if (fitsAPath(this, uri))
        static_cast<MprisService *>(parent())->openSoon(uri, true);
}
