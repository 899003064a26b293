// The window with real media: choosing files, the track labels, play, pause
// and stop against the player's real state, and the progress slider.

#include "mainwindow.h"
#include "testsupport.h"

#include <QAction>
#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QtTest>

#include <climits>

namespace {

// Counts the "Titre: " lines loadMetaData() writes, one per run.
int titleLines = 0;
QtMessageHandler previousHandler = nullptr;

void countTitleLines(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg && message.startsWith(QLatin1String("Titre: ")))
        ++titleLines;
    previousHandler(type, context, message);
}

} // namespace

class TestPlayback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void labelsShowTagsAfterLoading_data();
    void labelsShowTagsAfterLoading();
    void tagsAreShownAsPlainText();
    void oneLoadFillsTheLabelsOnceAfterManyDialogs();
    void firstCancelLeavesNothingToPlay();
    void cancelWhilePlayingReloadsPreviousFileStopped();
    void playPauseResumeAndStopFollowThePlayer();
    void sliderFollowsDurationAndPositionAndDragSeeks();
    void keyboardStepDoesNotSeek();
    void hugeDurationsAreClampedOnTheSlider();

private:
    QMediaPlayer *player() const { return window->findChild<QMediaPlayer *>(); }
    QString status() const { return window->statusBar()->currentMessage(); }
    QString label(const char *name) const { return child<QLabel>(window, name)->text(); }
    void open(const QString &path);

    MainWindow *window = nullptr;
};

void TestPlayback::initTestCase()
{
    QVERIFY2(QFile::exists(audioFile("tagged.mp3")), "test audio was not generated");
    previousHandler = qInstallMessageHandler(countTitleLines);
}

void TestPlayback::init()
{
    window = new MainWindow;
    window->show();
    titleLines = 0;
}

void TestPlayback::cleanup()
{
    delete window;
    window = nullptr;
}

void TestPlayback::open(const QString &path)
{
    answerFileDialog(path);
    child<QAction>(window, "actionOuvrir")->trigger();
}

void TestPlayback::labelsShowTagsAfterLoading_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("album");
    QTest::addColumn<QString>("artist");
    QTest::newRow("tagged") << "tagged.mp3" << "Titre: Chanson d'essai" << "Album: Album d'essai"
                            << "Artiste: Groupe d'essai";
    QTest::newRow("untagged") << "untagged.mp3" << "Titre: " << "Album: " << "Artiste: ";
    // Only the album artist counts; a track artist alone shows nothing.
    QTest::newRow("artist only") << "artist_only.mp3" << "Titre: " << "Album: " << "Artiste: ";
}

void TestPlayback::labelsShowTagsAfterLoading()
{
    QFETCH(QString, file);
    QFETCH(QString, title);
    QFETCH(QString, album);
    QFETCH(QString, artist);

    open(audioFile(file.toUtf8().constData()));
    QTRY_COMPARE_WITH_TIMEOUT(label("label_fileName"), title, 10000);
    QCOMPARE(label("label_albumTitle"), album);
    QCOMPARE(label("label_albumArtist"), artist);
    QCOMPARE(titleLines, 1);
    QVERIFY(child<QPushButton>(window, "button_playPause")->isEnabled());
    QVERIFY(child<QAction>(window, "actionLancer")->isEnabled());
    QVERIFY(child<QSlider>(window, "slider_MusicProgress")->isEnabled());
}

void TestPlayback::tagsAreShownAsPlainText()
{
    open(audioFile("markup.mp3"));
    QTRY_COMPARE_WITH_TIMEOUT(label("label_fileName"), QStringLiteral("Titre: <b>gras</b> <img src=x>"), 10000);
    QCOMPARE(label("label_albumArtist"), QStringLiteral("Artiste: <a href=\"x\">lien</a>"));
    for (const char *name : {"label_fileName", "label_albumTitle", "label_albumArtist"})
        QCOMPARE(child<QLabel>(window, name)->textFormat(), Qt::PlainText);
}

void TestPlayback::oneLoadFillsTheLabelsOnceAfterManyDialogs()
{
    open(QString());
    open(QString());
    open(audioFile("tagged.mp3"));
    QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::LoadedMedia, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(titleLines, 1, 2000);

    // The old texts stay until the next file has loaded.
    open(audioFile("untagged.mp3"));
    QCOMPARE(label("label_fileName"), QStringLiteral("Titre: Chanson d'essai"));
    QTRY_COMPARE_WITH_TIMEOUT(label("label_fileName"), QStringLiteral("Titre: "), 10000);
    QCOMPARE(titleLines, 2);
}

void TestPlayback::firstCancelLeavesNothingToPlay()
{
    QTest::ignoreMessage(QtDebugMsg, "fileName == 0 Fichier précedent :  \"\" \n");
    open(QString());
    QVERIFY(player()->media().request().url().isEmpty());
    QVERIFY(!child<QPushButton>(window, "button_playPause")->isEnabled());
    QVERIFY(!child<QSlider>(window, "slider_MusicProgress")->isEnabled());
}

void TestPlayback::cancelWhilePlayingReloadsPreviousFileStopped()
{
    open(audioFile("long.mp3"));
    child<QPushButton>(window, "button_playPause")->click();
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 300, 10000);

    open(QString());
    QCOMPARE(player()->media().request().url(), QUrl::fromLocalFile(audioFile("long.mp3")));
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::StoppedState, 5000);
    QCOMPARE(child<QAction>(window, "actionLancer")->text(), QStringLiteral("Lancer la musique"));
    QVERIFY(child<QPushButton>(window, "button_playPause")->isEnabled());

    child<QPushButton>(window, "button_playPause")->click();
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PlayingState, 5000);
    QVERIFY(player()->position() < 1000);
}

void TestPlayback::playPauseResumeAndStopFollowThePlayer()
{
    open(audioFile("long.mp3"));
    auto *play = child<QPushButton>(window, "button_playPause");
    auto *playAction = child<QAction>(window, "actionLancer");

    play->click();
    QCOMPARE(status(), QStringLiteral("Musique en cours de lecture"));
    QCOMPARE(playAction->text(), QStringLiteral("Mettre en pause"));
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PlayingState, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 500, 10000);

    playAction->trigger();
    QCOMPARE(status(), QStringLiteral("Musique en pause"));
    QCOMPARE(playAction->text(), QStringLiteral("Lancer la musique"));
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PausedState, 5000);
    const qint64 pausedAt = player()->position();
    QVERIFY(pausedAt >= 500);

    play->click();
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PlayingState, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > pausedAt + 200, 10000);
    QVERIFY(player()->position() < pausedAt + 5000);

    child<QPushButton>(window, "button_stopSong")->click();
    QCOMPARE(status(), QStringLiteral("Musique arrêtée"));
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::StoppedState, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(player()->position(), qint64(0), 5000);

    play->click();
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PlayingState, 5000);
    QVERIFY(player()->position() < pausedAt);
}

void TestPlayback::sliderFollowsDurationAndPositionAndDragSeeks()
{
    auto *slider = child<QSlider>(window, "slider_MusicProgress");
    open(audioFile("long.mp3"));
    // 12 s of audio: the duration header gives the maximum in milliseconds.
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(slider->maximum() - 12000) < 100, 10000);

    // A drag while paused seeks but does not start playback.
    child<QPushButton>(window, "button_playPause")->click();
    QTRY_VERIFY_WITH_TIMEOUT(slider->value() > 200, 10000);
    child<QPushButton>(window, "button_playPause")->click();
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PausedState, 5000);

    slider->setSliderDown(true);
    slider->setSliderPosition(6000);
    slider->setSliderDown(false);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(player()->position() - 6000) < 300, 5000);
    QCOMPARE(player()->state(), QMediaPlayer::PausedState);

    child<QPushButton>(window, "button_playPause")->click();
    QTRY_VERIFY_WITH_TIMEOUT(slider->value() > 6300, 10000);
    QVERIFY(slider->value() < 11000);
}

void TestPlayback::keyboardStepDoesNotSeek()
{
    auto *slider = child<QSlider>(window, "slider_MusicProgress");
    open(audioFile("long.mp3"));
    QTRY_VERIFY_WITH_TIMEOUT(slider->maximum() > 10000, 10000);
    slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    slider->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(player()->position(), qint64(0));
}

void TestPlayback::hugeDurationsAreClampedOnTheSlider()
{
    auto *slider = child<QSlider>(window, "slider_MusicProgress");
    QVERIFY(QMetaObject::invokeMethod(window, "durationChanged", Q_ARG(qint64, qint64(INT_MAX) + 5000)));
    QCOMPARE(slider->maximum(), INT_MAX);
    QVERIFY(QMetaObject::invokeMethod(window, "positionChanged", Q_ARG(qint64, qint64(INT_MAX) + 1)));
    QCOMPARE(slider->value(), INT_MAX);
}

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    TestPlayback test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playback.moc"
