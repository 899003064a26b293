// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"
#include "enginewarmup.h"
#include "sonavel_config.h"
#include "soundqueue.h"
#include "ui_mainwindow.h"

#include "updatebutton.h"
#include "updatecontroller.h"

#include <QApplication>
#include <QByteArray>
#include <QDebug>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileDialog>
#include <QIcon>
#include <QLabel>
#include <QMediaContent>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QMediaService>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QSlider>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <limits>
#include <utility>

#include <sys/stat.h>

namespace {

// The slider holds an int; media longer than INT_MAX ms would wrap negative.
int toSliderValue(qint64 milliseconds)
{
    return int(qBound<qint64>(std::numeric_limits<int>::min(), milliseconds, std::numeric_limits<int>::max()));
}

// The window overrides no event handler of its own; the events it answers
// beyond its base class's reach it through this filter. Only those: the
// filter also sees the events of the window's own destruction, when the
// window is no longer one.
class EventHook : public QObject
{
public:
    EventHook(QObject *parent, std::function<bool(QEvent *)> hook) : QObject(parent), hook(std::move(hook)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::LanguageChange:
            return hook(event);
        default:
            return false;
        }
    }

private:
    std::function<bool(QEvent *)> hook;
};

// The one local MP3 or WAV file being dragged, as the dialog would offer it;
// an empty string for anything else (several files, a folder, a remote URL).
QString droppableFile(const QMimeData *data)
{
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QFileInfo file(urls.first().toLocalFile());
    const QString suffix = file.suffix().toLower();
    const bool audio = suffix == QLatin1String("mp3") || suffix == QLatin1String("wav") || suffix == QLatin1String("wave");
    return audio && file.isFile() && file.isReadable() ? file.absoluteFilePath() : QString();
}

// A screen reader hears of a new name only when there is one.
void setSpokenName(QWidget *widget, const QString &name, bool alsoDescription = false)
{
    if (widget->accessibleName() != name)
        widget->setAccessibleName(name);
    if (alsoDescription && widget->accessibleDescription() != name)
        widget->setAccessibleDescription(name);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , player(nullptr)
    , version(SONAVEL_VERSION_NUMBER)
    , updateController(nullptr)
    , updateButton(new QtAutoUpdater::UpdateButton(this, nullptr))
    , loadWatch(new QTimer(this))
{
    ui->setupUi(this);
    // A reason from the engine can be longer than the window is wide: the
    // status bar's tool tip shows the whole message.
    connect(statusBar(), &QStatusBar::messageChanged, statusBar(), &QWidget::setToolTip);
    // The update button only carries the controller; the menu entry is the
    // user's way to check for updates.
    updateButton->setVisible(false);
    initialiserUpdater();
    updateController->start(QtAutoUpdater::UpdateController::InfoLevel);

    player = new QMediaPlayer(this);
    keepSoundQueueShort();
    preferLightDecoders();
    fileName = QString();
    ui->label_fileName->setText(QString());
    ui->label_albumTitle->setText(QString());
    ui->label_albumArtist->setText(QString());
    // Tags come from whatever file the user opens: never let them render as markup.
    ui->label_fileName->setTextFormat(Qt::PlainText);
    ui->label_albumTitle->setTextFormat(Qt::PlainText);
    ui->label_albumArtist->setTextFormat(Qt::PlainText);
    // Nor let their length set the window's: a 10,000-character title would
    // push the controls off any screen. What does not fit is cut.
    for (QLabel *label : {ui->label_fileName, ui->label_albumTitle, ui->label_albumArtist})
        label->setMaximumWidth(label->fontMetrics().averageCharWidth() * 40);
    volumeSong(100);
    ui->slider_MusicProgress->setEnabled(false);
    // Its unit is the millisecond: an arrow key moves five seconds, not one
    // millisecond (Page Up and Down: see durationChanged()).
    ui->slider_MusicProgress->setSingleStep(5000);
    connect(ui->slider_MusicProgress, &QSlider::valueChanged, this, &MainWindow::seekByUser);

    connect(ui->actionA_propos_de_Qt, &QAction::triggered, qApp, &QApplication::aboutQt);
    connect(player, &QMediaPlayer::positionChanged, this, &MainWindow::positionChanged);
    connect(player, &QMediaPlayer::durationChanged, this, &MainWindow::durationChanged);

    // A file that cannot be opened or decoded only shows up here, and the
    // player stops by itself: the controls must stop claiming it plays.
    connect(player, QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error), this, [this](QMediaPlayer::Error error) {
        // A sound server that went away, even if it is back, leaves our stream
        // broken; a fresh one plays. Tried once for each press of play, after
        // the player is done reporting.
        if (error == QMediaPlayer::ResourceError && std::exchange(mayRetry, false))
            QTimer::singleShot(0, this, &MainWindow::playAgainFresh);
        else
            showFailure(player->errorString());
    });
    // At the end of a track the player stops by itself too; its next play()
    // starts again from the beginning. Played to its end, the position has
    // moved no faster than time; a file that turns to noise races to its end
    // without a sound.
    connect(player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status != QMediaPlayer::EndOfMedia)
            return;
        const bool raced = playingFor.isValid() && player->position() - playedFrom - playingFor.elapsed() > 1000;
        playingFor.invalidate();
        if (raced) {
            showFailure(tr("le fichier contient des données illisibles"));
        } else {
            statusBar()->showMessage(tr("Musique terminée"), 0);
            showPlayLook();
        }
    });
    // A local file loads in a fraction of a second. One whose header promises
    // far more than it holds keeps the engine reading it at full speed for
    // minutes: it is given up, and loaded again at the next play.
    loadWatch->setSingleShot(true);
    loadWatch->setInterval(5000);
    connect(player, &QMediaPlayer::mediaStatusChanged, loadWatch, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::LoadingMedia)
            loadWatch->start();
        else
            loadWatch->stop();
    });
    connect(loadWatch, &QTimer::timeout, this, [this] {
        player->setMedia(QMediaContent(), nullptr);
        showFailure(tr("le fichier ne s'est pas ouvert en %1 secondes ; il est sans doute abîmé").arg(loadWatch->interval() / 1000));
    });
    // How long a newly loaded file has sat ready without playing: see
    // reopenIfLongPrepared(). A stop after playing also ends in LoadedMedia,
    // but not straight after loading, and its stream is only suspended.
    connect(player, &QMediaPlayer::mediaStatusChanged, this,
            [this, previous = QMediaPlayer::UnknownMediaStatus](QMediaPlayer::MediaStatus status) mutable {
                if (status == QMediaPlayer::LoadedMedia && previous == QMediaPlayer::LoadingMedia
                    && player->state() == QMediaPlayer::StoppedState)
                    preparedSince.start();
                previous = status;
            });
    connect(player, &QMediaPlayer::stateChanged, this, [this](QMediaPlayer::State state) {
        if (state == QMediaPlayer::PlayingState)
            preparedSince.invalidate();
    });

    // The three buttons show only an icon: a screen reader reads the text of
    // the action each one triggers, and follows it as it changes.
    ui->button_playPause->setAccessibleName(ui->actionLancer->text());
    ui->button_stopSong->setAccessibleName(ui->actionStop->text());
    ui->button_muteSong->setAccessibleName(ui->actionCouperSon->text());
    nameSliders();

    setAcceptDrops(true);
    installEventFilter(new EventHook(this, [this](QEvent *event) { return windowEvent(event); }));
}

MainWindow::~MainWindow()
{
    // The player outlives the form by a moment (it is a child of the window);
    // whatever it reports while shutting down must not reach the deleted form.
    player->blockSignals(true);
    delete ui;
}

bool MainWindow::openFile(const QString &pathOrUri)
{
    const QUrl file = localFileUrl(pathOrUri);
    if (file.isEmpty()) {
        statusBar()->showMessage(tr("Sonavel ne lit que des fichiers locaux : ") + pathOrUri, 0);
        return false;
    }
    if (refuseUnlessFile(file))
        return false;
    loadChosenFile(file);
    watchForMetaData();
    // A missing or unplayable file ends here, with the reason in the status bar.
    togglePlayback();
    return true;
}

QUrl MainWindow::localFileUrl(const QString &pathOrUri)
{
    // Only "file:" and "scheme://" make a URI: a file name may hold a ':'.
    static const QRegularExpression remote(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    if (pathOrUri.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(pathOrUri);
        const bool here = url.host().isEmpty() || url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
        // The path goes on as the bytes it names: a QString holds only names
        // valid in the locale's encoding, and lat%E9.mp3 is a file all the same.
        QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!url.isValid() || !here || path.isEmpty())
            return QUrl();
        if (!path.startsWith('/'))
            path.prepend(QFile::encodeName(QDir::currentPath()) + '/');
        return QUrl::fromEncoded("file://" + path.toPercentEncoding("/")).adjusted(QUrl::NormalizePathSegments);
    }
    if (pathOrUri.isEmpty() || remote.match(pathOrUri).hasMatch())
        return QUrl();
    return QUrl::fromLocalFile(QFileInfo(pathOrUri).absoluteFilePath());
}

void MainWindow::togglePlayback()
{
    ui->actionLancer->trigger();
}

void MainWindow::stopPlayback()
{
    ui->actionStop->trigger();
}

void MainWindow::setVolumeLevel(int volume)
{
    ui->slider_Volume->setValue(volume);
}

void MainWindow::seekTo(qint64 position)
{
    if (ui->slider_MusicProgress->isEnabled())
        on_slider_MusicProgress_sliderMoved(qBound(0, toSliderValue(position), ui->slider_MusicProgress->maximum()));
}

bool MainWindow::hasMedia() const
{
    return ui->actionLancer->isEnabled();
}

void MainWindow::playSong()
{
    if (player->state() == QMediaPlayer::PlayingState) {
        player->pause();
        mayRetry = false;
        playingFor.invalidate();
        statusBar()->showMessage(tr("Musique en pause"), 0);
        showPlayLook();
    } else {
        // A file given up while loading is loaded again for another try.
        if (player->media().isNull() && !previousFileName.isEmpty())
            handOver(previousFile);
        // From a stop or a failure the engine opens the file again: it may
        // have been replaced since it was chosen.
        if (player->state() == QMediaPlayer::StoppedState && refuseUnlessFile(player->media().request().url()))
            return;
        mayRetry = true;
        resumeAt = player->mediaStatus() == QMediaPlayer::EndOfMedia ? 0 : player->position();
        startPlaying(reopenIfLongPrepared());
    }
}

// Plays from `resumeAt`, with a fresh stream when the last one found no sound
// output, and says what came of it. A file just handed over again (`fresh`)
// is sought once it plays: sought before, it would wait for the player's next
// position report, up to a second, before it sounds.
void MainWindow::startPlaying(bool fresh)
{
    // play() clears the player's error; on a file that already failed to
    // load, the back end refuses at once and stays stopped, and whether it
    // reports the failure again is up to it. Keep the reason we know.
    const QString knownError = player->errorString().isEmpty() ? failure : player->errorString();
    // After a failure play() would load the file again itself, and find out
    // only then that there is no sound output: load it here, and know first.
    if (soundOutputMissing() || player->mediaStatus() == QMediaPlayer::InvalidMedia) {
        reopen();
        fresh = true;
    }
    if (soundOutputMissing()) {
        showFailure(tr("aucune sortie audio, le serveur de son ne répond pas"));
        return;
    }
    player->play();
    if (fresh && resumeAt > 0)
        player->setPosition(resumeAt);
    if (player->state() == QMediaPlayer::PlayingState) {
        playedFrom = resumeAt;
        playingFor.start();
        statusBar()->showMessage(tr("Musique en cours de lecture"), 0);
        showPauseLook();
    } else {
        showFailure(player->errorString().isEmpty() ? knownError : player->errorString());
    }
}

// The second try of a play that failed: a fresh stream, from where it was.
void MainWindow::playAgainFresh()
{
    if (player->state() != QMediaPlayer::StoppedState) // played again meanwhile
        return;
    if (refuseUnlessFile(player->media().request().url()))
        return;
    reopen();
    startPlaying(true);
}

void MainWindow::showFailure(const QString &reason)
{
    failure = reason;
    playingFor.invalidate();
    statusBar()->showMessage(tr("Lecture impossible : ") + reason, 0);
    showPlayLook();
}

// Opening a FIFO waits for a writer and a device may never end, and the
// engine opens the file on our thread: only regular files reach it. A
// missing file or a folder it reports at once. This opens nothing, and looks
// at the very bytes of the name, whatever the locale's encoding.
bool MainWindow::refuseUnlessFile(const QUrl &file)
{
    const QByteArray path = QByteArray::fromPercentEncoding(file.path(QUrl::FullyEncoded).toLatin1());
    struct stat status;
    if (!file.isLocalFile() || path.isEmpty() || ::stat(path.constData(), &status) != 0 || S_ISREG(status.st_mode)
        || S_ISDIR(status.st_mode))
        return false;
    // What plays, if anything, goes on: only the status says no.
    statusBar()->showMessage(tr("Lecture impossible : ") + tr("%1 n'est pas un fichier mais un tube, une socket ou un périphérique").arg(file.fileName()), 0);
    return true;
}

void MainWindow::selectSong()
{
    const QByteArray startBytes = QByteArray("C:/Users/") + qgetenv("USERNAME") + QByteArray("/Music");
    QString startDirectory = QString::fromUtf8(startBytes.constData(), int(qstrnlen(startBytes.constData(), uint(startBytes.size()))));
    // That is a Windows user's music folder (elsewhere the dialog reads it as
    // /C:/Users/...). Where it does not exist, the dialog would take its last
    // part for a file name: start in this user's music folder, or at home.
    if (!QFileInfo(QUrl::fromLocalFile(startDirectory).toLocalFile()).isDir()) {
        const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        startDirectory = !music.isEmpty() && QFileInfo(music).isDir() ? music : QDir::homePath();
    }
    qDebug() << startDirectory;

    fileName = QFileDialog::getOpenFileName(this, tr("Sélectionner un fichier MP3"), startDirectory,
                                            tr("Fichier audio (*.mp3 *.wav *.wave)"));
    // Either branch below hands the player a file again, which stops it: the
    // status must not go on saying that the music plays or is paused. A
    // refused file leaves the player as it was.
    const bool wasStarted = player->state() != QMediaPlayer::StoppedState;
    const bool refused = !fileName.isEmpty() && refuseUnlessFile(QUrl::fromLocalFile(fileName));

    if (fileName.isEmpty()) {
        handOver(previousFile);
        labelsDue = true;
        qDebug() << "fileName == 0 Fichier précedent : " << previousFileName << Qt::endl;
        showPlayLook();
    } else if (!refused) {
        loadChosenFile(QUrl::fromLocalFile(fileName));
    }
    if (wasStarted && !refused)
        statusBar()->showMessage(tr("Musique arrêtée"), 0);

    watchForMetaData();
}

void MainWindow::stopSong()
{
    player->stop();
    mayRetry = false;
    playingFor.invalidate();
    statusBar()->showMessage(tr("Musique arrêtée"), 0);
    showPlayLook();
}

void MainWindow::muteSong()
{
    // The slider's own message would be replaced at once: a screen reader
    // would read both.
    const QScopedValueRollback<bool> quiet(muting, true);
    if (player->isMuted()) {
        // Moving the slider runs volumeSong() and unmuteSong() before we go on.
        ui->slider_Volume->setValue(lastVolume);
        player->setMuted(false);
        statusBar()->showMessage(tr("Le son est activé"), 0);
        showSoundOnLook();
        qDebug() << "Son activé";
    } else {
        // Muting parks the slider at 0 so that it always shows what is heard.
        ui->slider_Volume->setValue(0);
        player->setMuted(true);
        statusBar()->showMessage(tr("Le son est coupé"), 0);
        showSoundOffLook();
        qDebug() << "Son coupé";
    }
}

void MainWindow::unmuteSong()
{
    player->setMuted(false);
    showSoundOnLook();
}

void MainWindow::volumeSong(int volume)
{
    player->setVolume(volume);
    const QString volumeText = QLatin1String("Volume : ") + QString::number(volume) + QLatin1String(" %");
    ui->label_volumeLevel->setText(volumeText);
    if (!muting)
        statusBar()->showMessage(volumeText, 0);
    if (volume != 0)
        lastVolume = volume;
}

void MainWindow::quitterApp()
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, tr("Voulez-vous quitter ?"), tr("Voulez-vous vraiment fermer l'application ?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer == QMessageBox::Yes)
        close();
}

void MainWindow::durationChanged(qint64 position)
{
    const QScopedValueRollback<bool> following(followingPlayer, true);
    ui->slider_MusicProgress->setMaximum(toSliderValue(position));
    // A tenth of the track, at most half a minute, never less than an arrow.
    ui->slider_MusicProgress->setPageStep(qBound(ui->slider_MusicProgress->singleStep(), toSliderValue(position / 10), 30000));
}

void MainWindow::positionChanged(qint64 position)
{
    const QScopedValueRollback<bool> following(followingPlayer, true);
    ui->slider_MusicProgress->setValue(toSliderValue(position));
    if (position > 0 && player->state() == QMediaPlayer::PlayingState)
        resumeAt = position;
}

void MainWindow::aboutUs()
{
    const QString versionText = QString::number(double(version), 'g', 6);
    QMessageBox::about(this, tr("A propos du logicel"),
                       tr("Logiciel fait par <b>Quenbrik</b> avec Qt.<br>"
                          "<a href=\"https://quenbrik.fr\">Site de Quenbrik</a>"
                          "<br>Version ")
                           + versionText);
}

void MainWindow::loadMetaData()
{
    const QString title = player->metaData(QMediaMetaData::Title).toString();
    qDebug() << "Titre: " << title;
    ui->label_fileName->setText(tr("Titre: ") + player->metaData(QMediaMetaData::Title).toString());
    ui->label_albumTitle->setText(tr("Album: ") + player->metaData(QMediaMetaData::AlbumTitle).toString());
    ui->label_albumArtist->setText(tr("Artiste: ") + player->metaData(QMediaMetaData::AlbumArtist).toString());
}

void MainWindow::on_slider_MusicProgress_sliderMoved(int position)
{
    player->setPosition(position);
    resumeAt = playedFrom = position;
    if (playingFor.isValid())
        playingFor.start();
}

void MainWindow::initialiserUpdater()
{
    updateController = new QtAutoUpdater::UpdateController(QStringLiteral("maintenancetool.exe"), qApp);
    updateController->setDetailedUpdateInfo(true);
    updateButton->setController(updateController);
}

void MainWindow::verifierMiseAJour()
{
    updateController->start(QtAutoUpdater::UpdateController::ProgressLevel);
}

// Hands the player a file. The back end's messages reach the player through the
// event queue, so tags of the file it played before can still be on their way;
// delivered after the new file has cleared the player's tags, they would stay
// on the new file. Once the old file is stopped it sends no more, so the ones
// under way are delivered first: the back end's own, and nothing else queued
// (a call from the bus waiting there would run inside this one, and the next
// inside that).
void MainWindow::handOver(const QUrl &file)
{
    if (QObject *backEnd = player->service()) {
        QCoreApplication::sendPostedEvents(backEnd, QEvent::MetaCall);
        for (QObject *part : backEnd->findChildren<QObject *>())
            QCoreApplication::sendPostedEvents(part, QEvent::MetaCall);
    }
    mayRetry = false;
    playingFor.invalidate();
    failure.clear();
    player->setMedia(QMediaContent(file), nullptr);
}

// A newly loaded file is made ready to play at once, and the sound server's
// stream opened for it then counts the time until the first play: that first
// play would start with as much silence as the wait. Handing the player the
// same file again just before it opens a fresh stream, which plays at once.
// Pausing and stopping after playing suspend the stream and are not affected.
bool MainWindow::reopenIfLongPrepared()
{
    if (!preparedSince.isValid() || !preparedSince.hasExpired(100) || player->state() != QMediaPlayer::StoppedState)
        return false;
    reopen();
    return true;
}

// Hands the player its file again: a fresh stream, and a fresh look for a
// sound output. It starts at the beginning.
void MainWindow::reopen()
{
    preparedSince.invalidate();
    player->setMedia(player->media(), nullptr);
}

// The button's tooltip stays the form's; read as its description, it would
// contradict the name half of the time.
void MainWindow::showPlayLook()
{
    ui->button_playPause->setIcon(QIcon(QStringLiteral(":/buttons/play")));
    ui->actionLancer->setText(tr("Lancer la musique"));
    ui->actionLancer->setIcon(QIcon(QStringLiteral(":/buttons/play")));
    setSpokenName(ui->button_playPause, ui->actionLancer->text(), true);
}

void MainWindow::showPauseLook()
{
    ui->button_playPause->setIcon(QIcon(QStringLiteral(":/buttons/pause")));
    ui->actionLancer->setText(tr("Mettre en pause"));
    ui->actionLancer->setIcon(QIcon(QStringLiteral(":/buttons/pause")));
    setSpokenName(ui->button_playPause, ui->actionLancer->text(), true);
}

void MainWindow::showSoundOnLook()
{
    ui->button_muteSong->setIcon(QIcon(QStringLiteral(":/buttons/unmute")));
    ui->button_muteSong->setToolTip(tr("Le son est activé"));
    ui->actionCouperSon->setText(tr("Couper le son"));
    ui->actionCouperSon->setIcon(QIcon(QStringLiteral(":/buttons/mute")));
    setSpokenName(ui->button_muteSong, ui->actionCouperSon->text());
}

void MainWindow::showSoundOffLook()
{
    ui->button_muteSong->setIcon(QIcon(QStringLiteral(":/buttons/mute")));
    ui->button_muteSong->setToolTip(tr("Le son est coupé"));
    ui->actionCouperSon->setText(tr("Activer le son"));
    ui->actionCouperSon->setIcon(QIcon(QStringLiteral(":/buttons/unmute")));
    setSpokenName(ui->button_muteSong, ui->actionCouperSon->text());
}

// What choosing a file in the dialog does to the window and the player.
void MainWindow::loadChosenFile(const QUrl &file)
{
    ui->button_playPause->setEnabled(true);
    ui->actionLancer->setEnabled(true);
    ui->slider_MusicProgress->setEnabled(true);
    showPlayLook();
    previousFileName = file.toLocalFile();
    previousFile = file;
    qDebug() << "fileName != 0 Fichier précedent : " << previousFileName << Qt::endl;
    handOver(file);
    labelsDue = true;
}

void MainWindow::watchForMetaData()
{
    if (!metaDataHandlerConnected) {
        metaDataHandlerConnected = true;
        // A file played at once goes from loading straight to buffering or
        // buffered: any of the three says that it is loaded.
        connect(player, &QMediaPlayer::mediaStatusChanged, [this](QMediaPlayer::MediaStatus status) {
            if (labelsDue && (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferingMedia
                              || status == QMediaPlayer::BufferedMedia)) {
                labelsDue = false;
                loadMetaData();
            }
        });
    }
}

// The sliders' names never change; they are fetched again once the
// translators are in, unlike the form's texts.
void MainWindow::nameSliders()
{
    ui->slider_Volume->setAccessibleName(tr("Volume"));
    ui->slider_MusicProgress->setAccessibleName(tr("Progression de la musique"));
}

// Keys, the wheel, a click beside the handle and a screen reader's value all
// seek; a drag seeks through its own slot, and the window's own updates from
// the player must never seek back.
void MainWindow::seekByUser(int position)
{
    if (!followingPlayer && !ui->slider_MusicProgress->isSliderDown())
        on_slider_MusicProgress_sliderMoved(position);
}

bool MainWindow::windowEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::LanguageChange:
        nameSliders();
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (droppableFile(drag->mimeData()).isEmpty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppableFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        openFile(path);
        return true;
    }
    default:
        return false;
    }
}
