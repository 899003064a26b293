#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

QT_BEGIN_NAMESPACE
class QMediaPlayer;
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
    void reopenIfLongPrepared();

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
    // Running from the moment the loaded file is ready while stopped until it
    // plays: see reopenIfLongPrepared().
    QElapsedTimer preparedSince;
};
