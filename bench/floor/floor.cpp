// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for start-up and memory: the least a Qt 5 Widgets audio player can
// be. A window with a few buttons, sliders and labels, a menu bar, a status bar
// and one QMediaPlayer, made before the window is shown, as a player would.
// With a file argument it plays that file, for the memory while playing.

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMediaContent>
#include <QMediaPlayer>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QUrl>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.resize(392, 333);

    QMenu *file = window.menuBar()->addMenu(QStringLiteral("Fichier"));
    file->addAction(QStringLiteral("Ouvrir"));
    file->addSeparator();
    file->addAction(QStringLiteral("Quitter"), &app, &QApplication::quit);
    QMenu *controls = window.menuBar()->addMenu(QStringLiteral("Contrôles"));
    controls->addAction(QStringLiteral("Lancer"));
    controls->addAction(QStringLiteral("Stop"));
    window.menuBar()->addMenu(QStringLiteral("Aide"))->addAction(QStringLiteral("À propos"));

    auto *central = new QWidget(&window);
    auto *grid = new QGridLayout(central);
    grid->addWidget(new QLabel(QStringLiteral("Titre"), central), 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Album"), central), 1, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Artiste"), central), 2, 0, 1, 3);
    auto *progress = new QSlider(Qt::Horizontal, central);
    grid->addWidget(progress, 3, 0, 1, 3);
    auto *play = new QPushButton(QStringLiteral("Lecture"), central);
    grid->addWidget(play, 4, 0);
    grid->addWidget(new QPushButton(QStringLiteral("Stop"), central), 4, 1);
    grid->addWidget(new QPushButton(QStringLiteral("Muet"), central), 4, 2);
    auto *volume = new QSlider(Qt::Horizontal, central);
    volume->setRange(0, 100);
    volume->setValue(100);
    grid->addWidget(volume, 5, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Volume : 100 %"), central), 5, 2);
    grid->addWidget(new QPushButton(QStringLiteral("Ouvrir"), central), 6, 0);
    grid->addWidget(new QPushButton(QStringLiteral("Quitter"), central), 6, 2);
    window.setCentralWidget(central);
    window.statusBar()->showMessage(QStringLiteral("Prêt"));

    auto *player = new QMediaPlayer(&window);
    QObject::connect(player, &QMediaPlayer::durationChanged, progress, [progress](qint64 ms) { progress->setMaximum(int(ms)); });
    QObject::connect(player, &QMediaPlayer::positionChanged, progress, [progress](qint64 ms) { progress->setValue(int(ms)); });
    QObject::connect(volume, &QSlider::valueChanged, player, &QMediaPlayer::setVolume);
    QObject::connect(play, &QPushButton::clicked, player, &QMediaPlayer::play);

    if (argc > 1) {
        player->setMedia(QMediaContent(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1]))));
        player->play();
    }

    window.show();
    return app.exec();
}
