#include "mainwindow.h"
#include "sonavel_config.h"
#include "soundqueue.h"
#include "ui_mainwindow.h"

#include <updatebutton.h>
#include <updatecontroller.h>

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
#include <QSlider>
#include <QUrl>

#include <functional>
#include <limits>

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

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , player(nullptr)
    , version(SONAVEL_VERSION_NUMBER)
    , updateController(nullptr)
    , updateButton(new QtAutoUpdater::UpdateButton(this, nullptr))
{
    ui->setupUi(this);
    // The update button only carries the controller; the menu entry is the
    // user's way to check for updates.
    updateButton->setVisible(false);
    initialiserUpdater();
    updateController->start(QtAutoUpdater::UpdateController::InfoLevel);

    player = new QMediaPlayer(this);
    keepSoundQueueShort();
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

    connect(ui->actionA_propos_de_Qt, &QAction::triggered, qApp, &QApplication::aboutQt);
    connect(player, &QMediaPlayer::positionChanged, this, &MainWindow::positionChanged);
    connect(player, &QMediaPlayer::durationChanged, this, &MainWindow::durationChanged);

    // A file that cannot be opened or decoded only shows up here, and the
    // player stops by itself: the controls must stop claiming it plays.
    connect(player, QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error), this, [this] {
        statusBar()->showMessage(tr("Lecture impossible : ") + player->errorString(), 0);
        showPlayLook();
    });
    // At the end of a track the player stops by itself too; its next play()
    // starts again from the beginning.
    connect(player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia) {
            statusBar()->showMessage(tr("Musique terminée"), 0);
            showPlayLook();
        }
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
        statusBar()->showMessage(tr("Musique en pause"), 0);
        showPlayLook();
    } else {
        // play() clears the player's error; on a file that already failed to
        // load, the back end refuses at once and stays stopped, and whether it
        // reports the failure again is up to it. Keep the reason we know.
        const QString knownError = player->errorString();
        reopenIfLongPrepared();
        player->play();
        if (player->state() == QMediaPlayer::PlayingState) {
            statusBar()->showMessage(tr("Musique en cours de lecture"), 0);
            showPauseLook();
        } else {
            const QString reason = player->errorString().isEmpty() ? knownError : player->errorString();
            statusBar()->showMessage(tr("Lecture impossible : ") + reason, 0);
            showPlayLook();
        }
    }
}

void MainWindow::selectSong()
{
    const QByteArray startBytes = QByteArray("C:/Users/") + qgetenv("USERNAME") + QByteArray("/Music");
    const QString startDirectory = QString::fromUtf8(startBytes.constData(), int(qstrnlen(startBytes.constData(), uint(startBytes.size()))));
    qDebug() << startDirectory;

    fileName = QFileDialog::getOpenFileName(this, tr("Sélectionner un fichier MP3"), startDirectory,
                                            tr("Fichier audio (*.mp3 *.wav *.wave)"));
    // Either branch below hands the player a file again, which stops it: the
    // status must not go on saying that the music plays or is paused.
    const bool wasStarted = player->state() != QMediaPlayer::StoppedState;

    if (fileName.isEmpty()) {
        handOver(previousFile);
        qDebug() << "fileName == 0 Fichier précedent : " << previousFileName << Qt::endl;
        showPlayLook();
    } else {
        loadChosenFile(QUrl::fromLocalFile(fileName));
    }
    if (wasStarted)
        statusBar()->showMessage(tr("Musique arrêtée"), 0);

    watchForMetaData();
}

void MainWindow::stopSong()
{
    player->stop();
    statusBar()->showMessage(tr("Musique arrêtée"), 0);
    showPlayLook();
}

void MainWindow::muteSong()
{
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
    ui->slider_MusicProgress->setMaximum(toSliderValue(position));
}

void MainWindow::positionChanged(qint64 position)
{
    ui->slider_MusicProgress->setValue(toSliderValue(position));
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
    player->setMedia(QMediaContent(file), nullptr);
}

// A newly loaded file is made ready to play at once, and the sound server's
// stream opened for it then counts the time until the first play: that first
// play would start with as much silence as the wait. Handing the player the
// same file again just before it opens a fresh stream, which plays at once.
// Pausing and stopping after playing suspend the stream and are not affected.
void MainWindow::reopenIfLongPrepared()
{
    if (!preparedSince.isValid() || !preparedSince.hasExpired(100) || player->state() != QMediaPlayer::StoppedState)
        return;
    preparedSince.invalidate();
    const qint64 position = player->position();
    player->setMedia(player->media(), nullptr);
    if (position > 0)
        player->setPosition(position);
}

void MainWindow::showPlayLook()
{
    ui->button_playPause->setIcon(QIcon(QStringLiteral(":/buttons/play")));
    ui->actionLancer->setText(tr("Lancer la musique"));
    ui->actionLancer->setIcon(QIcon(QStringLiteral(":/buttons/play")));
    ui->button_playPause->setAccessibleName(ui->actionLancer->text());
}

void MainWindow::showPauseLook()
{
    ui->button_playPause->setIcon(QIcon(QStringLiteral(":/buttons/pause")));
    ui->actionLancer->setText(tr("Mettre en pause"));
    ui->actionLancer->setIcon(QIcon(QStringLiteral(":/buttons/pause")));
    ui->button_playPause->setAccessibleName(ui->actionLancer->text());
}

void MainWindow::showSoundOnLook()
{
    ui->button_muteSong->setIcon(QIcon(QStringLiteral(":/buttons/unmute")));
    ui->button_muteSong->setToolTip(tr("Le son est activé"));
    ui->actionCouperSon->setText(tr("Couper le son"));
    ui->actionCouperSon->setIcon(QIcon(QStringLiteral(":/buttons/mute")));
    ui->button_muteSong->setAccessibleName(ui->actionCouperSon->text());
}

void MainWindow::showSoundOffLook()
{
    ui->button_muteSong->setIcon(QIcon(QStringLiteral(":/buttons/mute")));
    ui->button_muteSong->setToolTip(tr("Le son est coupé"));
    ui->actionCouperSon->setText(tr("Activer le son"));
    ui->actionCouperSon->setIcon(QIcon(QStringLiteral(":/buttons/unmute")));
    ui->button_muteSong->setAccessibleName(ui->actionCouperSon->text());
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
}

void MainWindow::watchForMetaData()
{
    if (!metaDataHandlerConnected) {
        metaDataHandlerConnected = true;
        connect(player, &QMediaPlayer::mediaStatusChanged, [this](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::LoadedMedia)
                loadMetaData();
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
