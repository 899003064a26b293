// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QUrl>

QT_BEGIN_NAMESPACE
class QEvent;
class QMediaPlayer;
class QTimer;
class QUrl;
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

namespace QtAutoUpdater {
class UpdateController;
class UpdateButton;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Ways in from outside the window (the command line, a drop, the desktop's
    // media controls). None is a slot: they use the window's own controls.

    // Loads a local file (a path, relative to the current directory, or a
    // file:// URI) as a choice in the dialog does, and plays it. Anything
    // else is refused with a message in the status bar; returns false then.
    bool openFile(const QString &pathOrUri);
    // The file:// URL of the absolute path that `pathOrUri` names, or an empty
    // URL when it is no local file (http://, smb://, ...).
    static QUrl localFileUrl(const QString &pathOrUri);
    // What the play/pause and the stop buttons do; nothing while disabled.
    void togglePlayback();
    void stopPlayback();
    // Moves the volume slider, 0 to 100.
    void setVolumeLevel(int volume);
    // Seeks as a drag of the progress slider does.
    void seekTo(qint64 position);
    bool hasMedia() const;
    const QMediaPlayer *mediaPlayer() const { return player; }
    // True while the window moves its sliders after the player: a change of
    // the progress slider seen at any other time is the user's seek.
    bool isFollowingPlayer() const { return followingPlayer; }

private slots:
    void playSong();
    void selectSong();
    void stopSong();
    void muteSong();
    void unmuteSong();
    void volumeSong(int volume);
    void quitterApp();
    void durationChanged(qint64 position);
    void positionChanged(qint64 position);
    void aboutUs();
    void loadMetaData();
    void on_slider_MusicProgress_sliderMoved(int position);
    void initialiserUpdater();
    void verifierMiseAJour();

private:
    void showPlayLook();
    void showPauseLook();
    void showSoundOnLook();
    void showSoundOffLook();
    void handOver(const QUrl &file);
    bool reopenIfLongPrepared();
    void reopen();
    void startPlaying(bool fresh);
    void playAgainFresh();
    void showFailure(const QString &reason);
    bool refuseUnlessFile(const QUrl &file);
    void loadChosenFile(const QUrl &file);
    void watchForMetaData();
    void nameSliders();
    bool windowEvent(QEvent *event);
    void seekByUser(int position);

    Ui::MainWindow *ui;
    QMediaPlayer *player;
    QString fileName;
    QString previousFileName;
    int lastVolume;
    float version;
    QtAutoUpdater::UpdateController *updateController;
    QtAutoUpdater::UpdateButton *updateButton;

    // Set once the metadata handler is connected, so that one loaded file
    // fills the labels once however often the dialog was opened.
    bool metaDataHandlerConnected = false;
    // Set by each load, cleared once its tags are shown: the labels are
    // filled once per file, whether it is played at once or not.
    bool labelsDue = false;
    // Set while the window itself moves a slider for the player's sake.
    bool followingPlayer = false;
    bool muting = false;
    // previousFileName as the player was given it: its bytes, whatever the locale.
    QUrl previousFile;
    // Running from the moment a newly loaded file is ready until it first
    // plays: see reopenIfLongPrepared().
    QElapsedTimer preparedSince;
    // The reason of the last failure shown, for a play that fails again.
    QString failure;
    // A play that fails for want of the sound server is tried once more with
    // a fresh stream, from where it was (resumeAt).
    bool mayRetry = false;
    qint64 resumeAt = 0;
    // Where playing last started and for how long it has played since: a
    // file whose position races to its end faster than that is no sound.
    qint64 playedFrom = 0;
    QElapsedTimer playingFor;
    // A file that keeps the engine loading for seconds is given up.
    QTimer *loadWatch;
};
