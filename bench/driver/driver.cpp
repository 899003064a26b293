// SPDX-License-Identifier: GPL-3.0-or-later
// Starts Sonavel with the program's own start-up and drives its window from inside, the
// way a user would, taking commands one a line on standard input:
//
//   open PATH | setmedia PATH | play | pause | seek MS | mute | position | quit
//
// "setmedia" hands PATH straight to the QMediaPlayer, past the window. "open" triggers Fichier > Ouvrir and types PATH into the file dialog; play
// and pause click the play/pause button; seek drags the progress slider to MS;
// mute clicks the mute button. Each command is answered on standard output by
// "@<command> <ns>", stamped with CLOCK_MONOTONIC just before the window gets
// it ("@chosen" just before the file dialog is accepted). Events:
//
//   @ready <ns>                      the window exists and commands are read
//   @loaded <ns>                     the player's status became LoadedMedia
//   @status <name> <ns>              every media status change
//   @duration <ms> <slider max> <ns> after each duration change, once the
//                                    window has updated its slider
//   @position <ms> <slider value> <ns>
//   @end <ns>                        EndOfMedia
//   @error <text>
//
// End of file on standard input quits. Nothing here runs a timer unless a
// file dialog is being waited for, so the idle figures are the window's own.

#include "mainwindow.h"
#include "startup.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMediaContent>
#include <QMediaPlayer>
#include <QMetaEnum>
#include <QSlider>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

long long nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

void say(const char *what, long long t)
{
    std::printf("@%s %lld\n", what, t);
    std::fflush(stdout);
}

template<typename T>
T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("bench driver: no %s in the window", name);
    return found;
}

class Driver : public QObject
{
public:
    explicit Driver(MainWindow *mainWindow)
        : QObject(mainWindow)
        , window(mainWindow)
    {
        QTimer::singleShot(0, this, [this] { attach(); });
    }

private:
    void attach()
    {
        player = window->findChild<QMediaPlayer *>();
        if (!player)
            qFatal("bench driver: no QMediaPlayer in the window");
        playPause = child<QAbstractButton>(window, "button_playPause");
        mute = child<QAbstractButton>(window, "button_muteSong");
        progress = child<QSlider>(window, "slider_MusicProgress");
        open = child<QAction>(window, "actionOuvrir");

        connect(player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
            const long long t = nowNs();
            if (status == QMediaPlayer::LoadingMedia && loading)
                say("loading", t);
            if (status == QMediaPlayer::LoadedMedia && loading) {
                loading = false;
                say("loaded", t);
            }
            const QMetaObject &meta = QMediaPlayer::staticMetaObject;
            const char *name = meta.enumerator(meta.indexOfEnumerator("MediaStatus")).valueToKey(status);
            std::printf("@status %s %lld\n", name ? name : "?", t);
            std::fflush(stdout);
            if (status == QMediaPlayer::EndOfMedia)
                say("end", t);
        });
        connect(player, &QMediaPlayer::durationChanged, this, [this](qint64 ms) {
            std::printf("@duration %lld %d %lld\n", (long long)ms, progress->maximum(), nowNs());
            std::fflush(stdout);
        });
        connect(player, QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error), this, [this] {
            std::printf("@error %s\n", qPrintable(player->errorString()));
            std::fflush(stdout);
        });

        input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(input, &QSocketNotifier::activated, this, [this] { readInput(); });
        say("ready", nowNs());
    }

    void readInput()
    {
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            input->setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(chunk, int(n));
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            command(line);
        }
    }

    void command(const QByteArray &line)
    {
        if (line.startsWith("open ")) {
            answerFileDialog(QString::fromLocal8Bit(line.mid(5)));
            // Triggered from the event loop: the dialog runs its own loop, which
            // must not be nested inside this handler.
            QTimer::singleShot(0, open, &QAction::trigger);
        } else if (line.startsWith("setmedia ")) {
            // Qt Multimedia alone, without the window: what the player's
            // own part of "open" costs.
            loading = true;
            const long long t = nowNs();
            player->setMedia(QMediaContent(QUrl::fromLocalFile(QString::fromLocal8Bit(line.mid(9)))));
            say("chosen", t);
        } else if (line == "play" || line == "pause") {
            const long long t = nowNs();
            playPause->click();
            say(line.constData(), t);
        } else if (line.startsWith("seek ")) {
            const int ms = line.mid(5).toInt();
            // What QSlider does for a drag: press, move, release.
            const long long t = nowNs();
            progress->setSliderDown(true);
            progress->setSliderPosition(ms);
            progress->setSliderDown(false);
            say("seek", t);
        } else if (line == "mute") {
            const long long t = nowNs();
            mute->click();
            say("mute", t);
        } else if (line == "position") {
            std::printf("@position %lld %d %lld\n", (long long)player->position(), progress->value(), nowNs());
            std::fflush(stdout);
        } else if (line == "quit") {
            QCoreApplication::quit();
        } else if (!line.isEmpty()) {
            std::printf("@error unknown command %s\n", line.constData());
            std::fflush(stdout);
        }
    }

    // Polls for the modal file dialog only while one is expected.
    void answerFileDialog(const QString &path)
    {
        auto *poll = new QTimer(this);
        poll->setInterval(5);
        connect(poll, &QTimer::timeout, this, [this, poll, path] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->stop();
            poll->deleteLater();
            child<QLineEdit>(dialog, "fileNameEdit")->setText(path);
            // Where the time between the choice and the player's work goes.
            connect(dialog, &QDialog::finished, this, [] { say("dialog_finished", nowNs()); });
            connect(dialog, &QObject::destroyed, this, [] { say("dialog_destroyed", nowNs()); });
            if (auto *model = dialog->findChild<QFileSystemModel *>())
                connect(model, &QObject::destroyed, this, [] { say("dialog_model_destroyed", nowNs()); });
            loading = true;
            const long long t = nowNs();
            static_cast<QDialog *>(dialog)->accept();
            say("chosen", t);
        });
        poll->start();
    }

    MainWindow *window;
    QMediaPlayer *player = nullptr;
    QAbstractButton *playPause = nullptr;
    QAbstractButton *mute = nullptr;
    QSlider *progress = nullptr;
    QAction *open = nullptr;
    QSocketNotifier *input = nullptr;
    QByteArray pending;
    bool loading = false;
};

} // namespace

int main(int argc, char *argv[])
{
    // The program's own start-up, the command channel added once the window is shown.
    return runSonavel(argc, argv, [](MainWindow &window) { new Driver(&window); });
}
