// SPDX-License-Identifier: GPL-3.0-or-later
// The window with real media (play, pause and stop: tst_soundpath, which hears
// them), and thousands of random commands after which it must agree with the player.

#include "testsupport.h"

#include <QtMultimedia>

namespace {

const QString cannotPlay = QStringLiteral("Lecture impossible : ");

// QTRY_* handing back the outcome (qWaitFor sleeps outside the event loop: slow loading).
template<typename Condition>
bool waitUntil(Condition done, int timeout)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && !clock.hasExpired(timeout))
        QTest::qWait(5);
    return done();
}

} // namespace

class TestPlayback : public QObject, WindowFixture
{
    Q_OBJECT

    QStringList disagreements(bool labelsFilled) const
    {
        QStringList broken;
        const bool muted = player()->isMuted();
        if (playing() ? !showsPauseLook() : !showsPlayLook())
            broken << QStringLiteral("play control does not match player state %1").arg(int(player()->state()));
        if (!playing() && status() == QStringLiteral("Musique en cours de lecture"))
            broken << QStringLiteral("status claims playback, player state %1").arg(int(player()->state()));
        if (!showsMuteLook(muted))
            broken << QStringLiteral("mute control does not match player muted: %1").arg(muted);
        const int volume = child<QSlider>(window, "slider_Volume")->value();
        if (volume != (muted ? 0 : player()->volume()) || label("label_volumeLevel") != QStringLiteral("Volume : %1 %").arg(volume))
            broken << QStringLiteral("volume slider %1 and '%2', player volume %3").arg(volume).arg(label("label_volumeLevel")).arg(player()->volume());
        const QString read = "Titre: " + player()->metaData(QMediaMetaData::Title).toString() + "|Album: "
            + player()->metaData(QMediaMetaData::AlbumTitle).toString() + "|Artiste: "
            + player()->metaData(QMediaMetaData::AlbumArtist).toString();
        if (labelsFilled && labels() != read)
            broken << QStringLiteral("labels '%1', the player read '%2'").arg(labels(), read);
        return broken;
    }

    QTemporaryDir dir;
    int playerSignals = 0;

private slots:
    void init()
    {
        makeWindow();
        const auto count = [this] { ++playerSignals; };
        connect(player(), &QMediaPlayer::stateChanged, window, count);
        connect(player(), &QMediaPlayer::mediaStatusChanged, window, count);
        connect(player(), QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error), window, count);
    }
    void cleanup() { delete window; }

    // An MP3 plays through mpg123, a WAV through no decoder at all: neither maps
    // FFmpeg (30 MB, 100 ms) where its plugin is installed; what only FFmpeg
    // decodes (MS ADPCM), or only finds (a free-format MP3's type), still plays.
    void lightDecodersWhereTheyPlay_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("light");
        // First of all tests, and in this order: a library once mapped stays mapped.
        QTest::newRow("WAV") << "tone.wav" << true;
        QTest::newRow("MP3") << "tagged.mp3" << true;
        QTest::newRow("free-format MP3") << "freeformat.mp3" << false;
        QTest::newRow("MS ADPCM WAV") << "adpcm.wav" << false;
    }
    void lightDecodersWhereTheyPlay()
    {
        QFETCH(QString, file);
        QFETCH(bool, light);
        if (file.endsWith(".wav") && !light && QProcess::execute("gst-inspect-1.0", {"--exists", "avdec_adpcm_ms"}) != 0)
            QSKIP("GStreamer's FFmpeg plugin (gstreamer1.0-libav) is not installed");
        open(audioFile(file));
        QVERIFY(playPast(200));
        const QByteArray maps = readAll(QStringLiteral("/proc/self/maps"));
        QVERIFY2(!light || !(maps.contains("/libavcodec") || maps.contains("/libgstlibav")), "FFmpeg is mapped");
    }

    void endOfTrackAndOpeningWhilePlaying()
    {
        const QByteArray mp3 = readAll(audioFile("sine6.mp3")); // 6 s
        QVERIFY(writeFile(dir.filePath("moitie.mp3"), mp3.left(mp3.size() / 2)));
        open(dir.filePath("moitie.mp3"));
        press("button_playPause");
        QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::EndOfMedia, 15000);
        QVERIFY2(qAbs(player()->position() - 3000) < 300, qPrintable(QString::number(player()->position())));
        QVERIFY(status() == "Musique terminée" && showsPlayLook());

        QVERIFY(playPast(0));
        QVERIFY2(player()->position() < 1500, qPrintable(QString::number(player()->position())));
        open(audioFile("untagged.mp3"));
        QVERIFY(status() == "Musique arrêtée" && showsPlayLook() && player()->state() == QMediaPlayer::StoppedState);
    }

    void badFilesAreReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray noise(64 * 1024, 0);
        QRandomGenerator(20261206).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        const QByteArray text = QByteArray("Ceci n'est pas de la musique.\n").repeated(200);
        const QPair<QString, QByteArray> files[] = {{"vide.mp3", {}}, {"bruit.mp3", noise}, {"bruit.wav", noise},
            {"texte.mp3", text}, {"texte.wav", text}, {"coupe.mp3", readAll(audioFile("sine6.mp3")).left(300)},
            // Gone between the choice and the loading.
            {"disparu.mp3", readAll(audioFile("untagged.mp3"))}};
        for (const auto &[name, bytes] : files)
            QTest::newRow(qPrintable(name)) << name << bytes;
    }
    void badFilesAreReported()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = dir.filePath(name);
        QVERIFY(writeFile(path, bytes));
        const bool vanishes = name == QLatin1String("disparu.mp3");
        QSignalSpy failed(player(), QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error));
        open(path, [=] { if (vanishes) QFile::remove(path); });
        QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 10000);
        QVERIFY2(status() == cannotPlay + player()->errorString() && status().size() > cannotPlay.size() && showsPlayLook(),
                 qPrintable(status()));
        press("button_playPause");
        QTRY_VERIFY2_WITH_TIMEOUT(player()->error() != QMediaPlayer::NoError && player()->state() == QMediaPlayer::StoppedState
                                      && status() == cannotPlay + player()->errorString(), qPrintable(status()), 10000);
        QVERIFY(showsPlayLook());

        open(audioFile("untagged.mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(loaded(), 10000);
        QVERIFY(playPast(200));
    }

    // An MP3 turning to noise (so from the start, or overwritten while it
    // plays) and a WAV whose header promises 4 GiB of a sparse file: said
    // unplayable at every play, and nothing left working on them.
    void damagedFilesAreNotSongs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray mp3 = readAll(audioFile("long.mp3")), noisy = mp3;
        QRandomGenerator(20261208).fillRange(reinterpret_cast<quint32 *>(noisy.data() + 2048), (mp3.size() - 2048) / 4);
        QTest::newRow("mp3 turning to noise") << noisy;
        QTest::newRow("mp3 overwritten while it plays") << mp3;
        QTest::newRow("wav of 4 GiB") << QByteArray::fromHex("52494646f0ffffff57415645666d7420100000000100020044ac000010b1020004001000");
    }
    void damagedFilesAreNotSongs()
    {
        QFETCH(QByteArray, bytes);
        const bool wav = bytes.startsWith("RIFF"), overwrite = QByteArray(QTest::currentDataTag()).contains("overwritten");
        QFile file(dir.filePath(wav ? "grand.wav" : "abime.mp3"));
        QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Truncate) && file.write(bytes) && file.resize(wav ? qint64(4) << 30 : bytes.size()));
        open(file.fileName());
        for (int round = 0; round < 2; ++round) {
            press("button_playPause");
            if (overwrite && !round) {
                QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 300, 10000);
                QVERIFY(file.seek(0) && file.write(QByteArray(bytes.size(), 'x')) && file.flush());
            }
            QTRY_VERIFY2_WITH_TIMEOUT(status().startsWith(cannotPlay) && !playing() && showsPlayLook(), qPrintable(status()), 10000);
            const std::clock_t cpu = std::clock();
            QTest::qWait(1000);
            QVERIFY2(std::clock() - cpu < CLOCKS_PER_SEC / 4, "the engine still works on the file");
        }
    }

    // The player gets the chosen file's own URL and the labels its tags, as
    // plain text; however long they are, the window fits a small screen.
    void namesAndTags_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("labels");
        const QString tagged = "Titre: Chanson d'essai|Album: Album d'essai|Artiste: Groupe d'essai";
        for (const QString &name : {QStringLiteral("piste #1.mp3"), QStringLiteral("100% bruit %20 %41.mp3"), QStringLiteral("vraiment ?.mp3"),
                                    QStringLiteral("Мелодия 音楽 موسيقى ελληνικά.mp3"), QString(196, 'n') + ".mp3"})
            QTest::newRow(qPrintable(name.left(20))) << name << "tagged.mp3" << tagged;
        const QString x = QString(10000, 'x');
        QTest::newRow("10,000-character tags") << "long.mp3" << "long_tags.mp3" << "Titre: " + x + "|Album: Album|Artiste: " + x;
        // Only the album artist counts; a track artist alone shows nothing.
        QTest::newRow("artist only") << "a.mp3" << "artist_only.mp3" << "Titre: |Album: |Artiste: ";
        QTest::newRow("markup") << "m.mp3" << "markup.mp3" << "Titre: <b>gras</b> <img src=x>|Album: <i>italique</i>|Artiste: <a href=\"x\">lien</a>";
    }
    void namesAndTags()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        QFETCH(QString, labels);
        const QString path = dir.filePath(name);
        QVERIFY(QFile::copy(audioFile(file), path));
        open(path);
        QCOMPARE(player()->media().request().url(), QUrl::fromLocalFile(path));
        QTRY_COMPARE_WITH_TIMEOUT(this->labels(), labels, 10000);
        for (const char *shown : {"label_fileName", "label_albumTitle", "label_albumArtist"})
            QCOMPARE(child<QLabel>(window, shown)->textFormat(), Qt::PlainText);
        QVERIFY2(qMax(window->minimumSizeHint().width(), window->width()) < 1024, qPrintable(QString::number(window->width())));
        QVERIFY(playPast(200));
    }

    void cancelReloadsThePreviousFileStopped()
    {
        open(audioFile("long.mp3"));
        QVERIFY(playPast(300));
        open(QString());
        QCOMPARE(player()->media().request().url(), QUrl::fromLocalFile(audioFile("long.mp3")));
        QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::StoppedState, 5000);
        press("button_playPause");
        QTRY_VERIFY_WITH_TIMEOUT(playing(), 5000);
        QVERIFY(player()->position() < 1000);
    }

    // Keys and a screen reader seek too: tst_accessibility.
    void sliderFollowsThePlayerAndUsersSeek()
    {
        auto *slider = child<QSlider>(window, "slider_MusicProgress");
        open(audioFile("long.mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(slider->maximum() - 12000) < 100, 10000);

        press("button_playPause");
        QTRY_VERIFY_WITH_TIMEOUT(slider->value() > 200 && slider->value() < 5000, 10000);
        press("button_playPause");
        QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PausedState, 5000);
        // A drag while paused seeks but does not start playback.
        slider->setSliderDown(true);
        slider->setSliderPosition(6000);
        slider->setSliderDown(false);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(player()->position() - 6000) < 300, 5000);
        QCOMPARE(player()->state(), QMediaPlayer::PausedState);
        press("button_playPause");
        QTRY_VERIFY_WITH_TIMEOUT(slider->value() > 6300 && slider->value() < 11000, 10000);
        press("button_playPause");
        QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PausedState, 5000);
        const qint64 sought = player()->position();
        // The player's own reports, late or cutting the range short, never seek.
        QMetaObject::invokeMethod(window, "positionChanged", Q_ARG(qint64, 100000));
        QMetaObject::invokeMethod(window, "durationChanged", Q_ARG(qint64, 500));
        QTest::qWait(500); // what a seek would take
        QVERIFY2(qAbs(player()->position() - sought) < 300, qPrintable(QString::number(player()->position())));
    }

    // Tags of the file that was playing reach the player late; they must not end
    // up on the next file, which has none. It happened a few times in a hundred.
    void aNewFileNeverShowsThePreviousTags()
    {
        for (int round = 0; round < 50; ++round) {
            open(audioFile("tagged.mp3"));
            QTRY_VERIFY_WITH_TIMEOUT(loaded(), 10000);
            if (round % 2)
                QVERIFY(playPast(0));
            open(audioFile("untagged.mp3"));
            QTRY_VERIFY_WITH_TIMEOUT(loaded(), 10000);
            QVERIFY2(labels() == QLatin1String("Titre: |Album: |Artiste: "), qPrintable(QString::number(round) + ": " + labels()));
        }
    }
    void randomCommandsKeepTheWindowTruthful()
    {
        const quint32 seed = qEnvironmentVariableIsSet("SONAVEL_SEED") ? quint32(qEnvironmentVariableIntValue("SONAVEL_SEED"))
                                                                        : quint32(QDateTime::currentMSecsSinceEpoch());
        const int count = qEnvironmentVariableIsSet("SONAVEL_RANDOM_ACTIONS") ? qEnvironmentVariableIntValue("SONAVEL_RANDOM_ACTIONS") : 2000;
        report(QStringLiteral("random commands: %1 with seed %2 (replay with SONAVEL_SEED=%2)").arg(count).arg(seed));
        QRandomGenerator random(seed);
        const QString badFile = dir.filePath(QStringLiteral("pas-de-son.mp3"));
        QVERIFY(writeFile(badFile, {}));
        const char *goodFiles[] = {"tagged.mp3", "untagged.mp3", "sine6.mp3"};
        auto *slider = child<QSlider>(window, "slider_MusicProgress");
        bool labelsFilled = false;
        // Weight (of 100), name, whether no signal of the back end's comes later.
        const struct {
            int weight;
            const char *name;
            bool immediate;
            std::function<void(bool viaMenu)> run;
        } commands[] = {
            {22, "play/pause", false, [&](bool menu) { menu && action("actionLancer")->isEnabled() ? action("actionLancer")->trigger() : press("button_playPause"); }},
            {10, "stop", false, [&](bool menu) { menu ? action("actionStop")->trigger() : press("button_stopSong"); }},
            {14, "drag", false, [&](bool) {
                 if (!slider->isEnabled())
                     return;
                 slider->setSliderDown(true);
                 slider->setSliderPosition(int(random.bounded(qMax(1, slider->maximum()))));
                 slider->setSliderDown(false);
             }},
            {16, "volume", true, [&](bool) { child<QSlider>(window, "slider_Volume")->setValue(int(random.bounded(101))); }},
            {14, "mute", true, [&](bool menu) { menu ? action("actionCouperSon")->trigger() : press("button_muteSong"); }},
            {8, "open, cancel", false, [&](bool) { open(QString()); }},
            {10, "open good", false, [&](bool) {
                 open(audioFile(goodFiles[random.bounded(int(std::size(goodFiles)))]));
                 labelsFilled = waitUntil([&] { return loaded(); }, 10000);
             }},
            {6, "open bad", false, [&](bool) { open(badFile); }}};
        QElapsedTimer clock;
        clock.start();
        QString history;
        for (int step = 0; step < count; ++step) {
            const bool viaMenu = random.bounded(2);
            auto *command = std::begin(commands);
            for (int roll = int(random.bounded(100)); roll >= command->weight; roll -= (command++)->weight) {}
            labelsFilled = false;
            command->run(viaMenu);
            history = (history + " | " + command->name).right(400);
            QElapsedTimer quiet;
            quiet.start();
            int seen = playerSignals;
            const bool settled = waitUntil([&] {
                if (std::exchange(seen, playerSignals) != playerSignals)
                    quiet.restart();
                const auto media = player()->mediaStatus();
                return quiet.hasExpired(command->immediate ? 0 : 30) && media != QMediaPlayer::LoadingMedia && media != QMediaPlayer::StalledMedia;
            }, 5000);
            const QStringList broken = disagreements(labelsFilled);
            if (!settled || !broken.isEmpty())
                QFAIL(qPrintable(QStringLiteral("after command %1 (%2), seed %3%4: %5\nlast commands:%6")
                                     .arg(step).arg(command->name).arg(seed).arg(settled ? "" : ", player never settled")
                                     .arg(broken.join(QLatin1String("; ")), history)));
        }
        report(QStringLiteral("random commands: all %1 agreed, in %2 s").arg(count).arg(clock.elapsed() / 1000.0, 0, 'f', 1));
    }
};

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
