// The window against what goes wrong: files it cannot play, odd names and
// tags, the end of a track, thousands of random commands after which its
// controls must still agree with the player, and many open/play/stop cycles
// after which it must not have grown.

#include "mainwindow.h"
#include "soundsupport.h"
#include "testsupport.h"

#include <QtMultimedia>
#include <QtWidgets>

#include <unistd.h>

namespace {

const QString cannotPlay = QStringLiteral("Lecture impossible : ");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// An ID3v2.4 tag of UTF-8 title, album and album artist, then an untagged track.
QByteArray mp3Tagged(const QString &title, const QString &artist)
{
    const auto syncSafe = [](quint32 value) {
        QByteArray bytes(4, 0);
        for (int i = 3; i >= 0; --i, value >>= 7)
            bytes[i] = char(value & 0x7f);
        return bytes;
    };
    QByteArray body;
    const QPair<QByteArray, QString> frames[] = {{"TIT2", title}, {"TALB", QStringLiteral("Album")}, {"TPE2", artist}};
    for (const auto &[id, text] : frames) {
        const QByteArray content = '\x03' + text.toUtf8();
        body += id + syncSafe(quint32(content.size())) + QByteArray(2, 0) + content;
    }
    return QByteArray("ID3\x04\x00\x00", 6) + syncSafe(quint32(body.size())) + body + readAll(audioFile("untagged.mp3"));
}

QByteArray riffChunk(const QByteArray &id, const QByteArray &content)
{
    QByteArray size(4, 0);
    qToLittleEndian(quint32(content.size()), size.data());
    return id + size + content + QByteArray(content.size() % 2, 0);
}

// tone.wav (a 44-byte header, then samples) with a LIST/INFO chunk of title,
// album and the track's artist between its format and its samples.
QByteArray wavWithInfoTags()
{
    const QByteArray wav = readAll(audioFile("tone.wav"));
    const QByteArray info = "INFO" + riffChunk("INAM", "Titre du WAV") + riffChunk("IPRD", "Album") + riffChunk("IART", "Interprète");
    return riffChunk("RIFF", "WAVE" + wav.mid(12, 24) + riffChunk("LIST", info) + wav.mid(36));
}

// Resident memory of this process in KiB.
qint64 residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    const QList<QByteArray> fields = statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ') : QList<QByteArray>();
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1024 : -1;
}

// Runs the event loop in short turns until `done`, for at most `timeout` ms,
// like QTRY_* but handing back the outcome. (QTest::qWaitFor, which sleeps
// outside the event loop between turns, sees the player load ten times slower.)
template<typename Condition>
bool waitUntil(Condition done, int timeout)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && !clock.hasExpired(timeout))
        QTest::qWait(5);
    return done();
}

// sameIcon() with the reference images decoded once: the random test checks
// after every one of thousands of commands.
bool showsIcon(const QIcon &icon, const char *path)
{
    static QHash<QByteArray, QImage> references;
    auto reference = references.find(path);
    if (reference == references.end())
        reference = references.insert(path, QIcon(QLatin1String(path)).pixmap(32, 32).toImage());
    return !icon.isNull() && icon.pixmap(32, 32).toImage() == *reference;
}

} // namespace

class TestRobustness : public QObject
{
    Q_OBJECT

    QMediaPlayer *player() const { return window->findChild<QMediaPlayer *>(); }
    QString status() const { return window->statusBar()->currentMessage(); }
    QString label(const char *name) const { return child<QLabel>(window, name)->text(); }
    void press(const char *button) { child<QPushButton>(window, button)->click(); }
    void open(const QString &path)
    {
        answerFileDialog(path);
        action("actionOuvrir")->trigger();
    }
    bool showsLook(const char *icon, const char *text) const
    {
        return showsIcon(child<QPushButton>(window, "button_playPause")->icon(), icon)
            && showsIcon(action("actionLancer")->icon(), icon) && action("actionLancer")->text() == QLatin1String(text);
    }
    bool showsPlayLook() const { return showsLook(":/buttons/play", "Lancer la musique"); }
    QAction *action(const char *name) const { return child<QAction>(window, name); }

    // Every rule that ties the controls to the player, broken ones listed.
    QStringList disagreements(bool labelsFilled) const
    {
        QStringList broken;
        const bool playing = player()->state() == QMediaPlayer::PlayingState, muted = player()->isMuted();
        if (!showsLook(playing ? ":/buttons/pause" : ":/buttons/play", playing ? "Mettre en pause" : "Lancer la musique"))
            broken << QStringLiteral("play control does not match player state %1").arg(int(player()->state()));
        if (!playing && status() == QStringLiteral("Musique en cours de lecture"))
            broken << QStringLiteral("status claims playback, player state %1").arg(int(player()->state()));
        auto *mute = child<QPushButton>(window, "button_muteSong");
        if (!showsIcon(mute->icon(), muted ? ":/buttons/mute" : ":/buttons/unmute")
            || !showsIcon(action("actionCouperSon")->icon(), muted ? ":/buttons/unmute" : ":/buttons/mute")
            || mute->toolTip() != (muted ? "Le son est coupé" : "Le son est activé")
            || action("actionCouperSon")->text() != (muted ? "Activer le son" : "Couper le son"))
            broken << QStringLiteral("mute control does not match player muted: %1").arg(muted);
        // Muting parks the slider at 0; otherwise it shows the player's volume.
        const int volume = child<QSlider>(window, "slider_Volume")->value();
        if (volume != (muted ? 0 : player()->volume()) || label("label_volumeLevel") != QStringLiteral("Volume : %1 %").arg(volume))
            broken << QStringLiteral("volume slider %1 and '%2', player volume %3").arg(volume).arg(label("label_volumeLevel")).arg(player()->volume());
        // Right after a good file has loaded, the labels show what the player read in it.
        const QPair<const char *, QString> labels[] = {{"label_fileName", "Titre: " + player()->metaData(QMediaMetaData::Title).toString()},
            {"label_albumTitle", "Album: " + player()->metaData(QMediaMetaData::AlbumTitle).toString()},
            {"label_albumArtist", "Artiste: " + player()->metaData(QMediaMetaData::AlbumArtist).toString()}};
        for (const auto &[name, expected] : labels) {
            if (labelsFilled && label(name) != expected)
                broken << QStringLiteral("%1 '%2', the player read '%3'").arg(name, label(name), expected);
        }
        return broken;
    }

    MainWindow *window = nullptr;
    QTemporaryDir dir;
    int playerSignals = 0;

private slots:
    void initTestCase()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QVERIFY(dir.isValid());
    }
    void init()
    {
        window = new MainWindow;
        window->show();
        const auto count = [this] { ++playerSignals; };
        connect(player(), &QMediaPlayer::stateChanged, window, count);
        connect(player(), &QMediaPlayer::mediaStatusChanged, window, count);
        connect(player(), QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error), window, count);
        connect(player(), &QMediaPlayer::mutedChanged, window, count);
        connect(player(), &QMediaPlayer::volumeChanged, window, count);
    }
    void cleanup() { delete window; }

    // A file cut in the middle plays what is there; at its end the window says
    // so and shows the play look, and the next play starts from the beginning.
    // Opening a file while one plays stops it.
    void endOfTrackAndOpeningWhilePlaying()
    {
        const QByteArray mp3 = readAll(audioFile("sine6.mp3")); // 6 s
        QVERIFY(writeFile(dir.filePath("moitie.mp3"), mp3.left(mp3.size() / 2)));
        open(dir.filePath("moitie.mp3"));
        press("button_playPause");
        QVERIFY(showsLook(":/buttons/pause", "Mettre en pause"));
        QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::EndOfMedia, 15000);
        QCOMPARE(player()->error(), QMediaPlayer::NoError);
        QVERIFY2(qAbs(player()->position() - 3000) < 300, qPrintable(QString::number(player()->position())));
        QCOMPARE(status(), QStringLiteral("Musique terminée"));
        QVERIFY(showsPlayLook());

        press("button_playPause");
        QCOMPARE(status(), QStringLiteral("Musique en cours de lecture"));
        QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 0, 5000);
        QVERIFY2(player()->position() < 1500, qPrintable(QString::number(player()->position())));
        open(audioFile("untagged.mp3"));
        QCOMPARE(status(), QStringLiteral("Musique arrêtée"));
        QVERIFY(showsPlayLook());
        QCOMPARE(player()->state(), QMediaPlayer::StoppedState);
    }

    // Each bad file gives the reason and the play look, also once play is
    // pressed; the window then still opens and plays a good file.
    void badFilesAreReported()
    {
        QByteArray noise(64 * 1024, 0);
        QRandomGenerator(20261206).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        const QByteArray text = QByteArray("Ceci n'est pas de la musique.\n").repeated(200);
        const QPair<QString, QByteArray> files[] = {{"vide.mp3", {}}, {"bruit.mp3", noise}, {"bruit.wav", noise},
            {"texte.mp3", text}, {"texte.wav", text}, {"coupe.mp3", readAll(audioFile("sine6.mp3")).left(300)},
            {"disparu.mp3", readAll(audioFile("untagged.mp3"))}};
        for (const auto &[name, bytes] : files) {
            const QString path = dir.filePath(name);
            QVERIFY(writeFile(path, bytes));
            const bool vanishes = name == QLatin1String("disparu.mp3");
            // The dialog checks that the file exists when it is accepted; the
            // window hands it to the player only once the dialog has closed.
            whenModal<QFileDialog>([=](QFileDialog *dialog) {
                dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
                static_cast<QDialog *>(dialog)->accept();
                if (vanishes)
                    QFile::remove(path);
            });
            // The previous file's error may still stand: wait for this one's.
            QSignalSpy failed(player(), QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error));
            action("actionOuvrir")->trigger();
            QVERIFY2(!vanishes || !QFile::exists(path), "the file did not vanish");
            QTRY_VERIFY2_WITH_TIMEOUT(!failed.isEmpty(), qPrintable(name), 10000);
            QVERIFY2(vanishes ? player()->error() == QMediaPlayer::ResourceError : player()->mediaStatus() == QMediaPlayer::InvalidMedia,
                     qPrintable(name));
            QVERIFY2(status() == cannotPlay + player()->errorString() && status().size() > cannotPlay.size() && showsPlayLook(),
                     qPrintable(name + ": " + status()));
            // The player tries again on play() and fails again.
            press("button_playPause");
            QTRY_VERIFY2_WITH_TIMEOUT(player()->error() != QMediaPlayer::NoError && player()->state() == QMediaPlayer::StoppedState
                                          && status() == cannotPlay + player()->errorString(),
                                      qPrintable(name + ": " + status()), 10000);
            QVERIFY2(showsPlayLook(), qPrintable(name));
        }
        open(audioFile("untagged.mp3"));
        QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::LoadedMedia, 10000);
        press("button_playPause");
        QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 200, 10000);
        QCOMPARE(status(), QStringLiteral("Musique en cours de lecture"));
        QVERIFY(showsLook(":/buttons/pause", "Mettre en pause"));
    }

    void oddNamesAndTagsAreShown_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("typed"); // else clicked in the dialog's list
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("artist"); // as the label shows it
        const auto tagged = [](const char *row, const QString &name, bool typed, const QString &title, const QString &artist) {
            QTest::newRow(row) << name << typed << mp3Tagged(title, artist) << title << artist;
        };
        tagged("spaces", "un titre avec des espaces.mp3", true, "Titre", "Artiste");
        tagged("hash", "piste #1.mp3", true, "Titre", "Artiste");
        tagged("percent", "100% bruit %20 %41.mp3", true, "Titre", "Artiste");
        tagged("question mark", "vraiment ?.mp3", true, "Titre", "Artiste");
        // Qt's dialog reads double quotes typed in its name field as separators
        // between several names: such a file can only be clicked.
        tagged("quotes", "l'\"essai\" `guillemets`.mp3", false, "Titre", "Artiste");
        tagged("non-Latin", QStringLiteral("Мелодия 音楽 موسيقى ελληνικά.mp3"), false, "Titre", "Artiste");
        tagged("200 characters", QString(196, QLatin1Char('n')) + ".mp3", true, "Titre", "Artiste");
        tagged("markup tags", "balises.mp3", true, "<h1>gros</h1><script>x</script>", "<b>&amp;</b>");
        tagged("10,000-character tags", "long.mp3", true, QString(10000, 'x'), QString(10000, QChar(0x00e9)));
        tagged("right-to-left tags", "rtl.mp3", true, QStringLiteral("مرحبا بالعالم"), QStringLiteral("שלום \u202e321 abc"));
        tagged("control characters", "controle.mp3", true, QStringLiteral("a\u0001b\u0007c\td\u001b[31me"), "ligne\nsuivante");
        // A WAV's artist is the track's; the label shows the album artist only.
        QTest::newRow("WAV INFO tags") << "info.wav" << true << wavWithInfoTags() << "Titre du WAV" << "";
    }
    void oddNamesAndTagsAreShown()
    {
        QFETCH(QString, name);
        QFETCH(bool, typed);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, title);
        QFETCH(QString, artist);
        const QString path = dir.filePath(name);
        QVERIFY(writeFile(path, bytes));
        if (typed)
            answerFileDialog(path);
        else
            whenModal<QFileDialog>([=](QFileDialog *dialog) {
                dialog->setDirectory(dir.path());
                auto *model = dialog->findChild<QFileSystemModel *>();
                auto *list = dialog->findChild<QListView *>(QStringLiteral("listView"));
                QModelIndex row;
                QVERIFY(model && list && QTest::qWaitFor([&] { return (row = model->index(path)).isValid(); }, 10000));
                list->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                static_cast<QDialog *>(dialog)->accept();
            });
        action("actionOuvrir")->trigger();
        QCOMPARE(player()->media().request().url().toLocalFile(), path);
        QTRY_COMPARE_WITH_TIMEOUT(label("label_albumTitle"), QStringLiteral("Album: Album"), 10000);
        QCOMPARE(label("label_fileName"), "Titre: " + title);
        QCOMPARE(label("label_albumArtist"), "Artiste: " + artist);
        // However long the tags, the window keeps its controls on a small screen.
        QVERIFY2(qMax(window->minimumSizeHint().width(), window->width()) < 1024, qPrintable(QString::number(window->width())));
        press("button_playPause");
        QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 200, 10000);
        QCOMPARE(player()->error(), QMediaPlayer::NoError);
        QCOMPARE(status(), QStringLiteral("Musique en cours de lecture"));
    }

    // Thousands of random commands; after each, once the player has gone
    // quiet, every rule that ties the controls to the player must hold.
    void randomCommandsKeepTheWindowTruthful()
    {
        const quint32 seed = qEnvironmentVariableIsSet("SONAVEL_SEED") ? quint32(qEnvironmentVariableIntValue("SONAVEL_SEED"))
                                                                        : quint32(QDateTime::currentMSecsSinceEpoch());
        const int count = qEnvironmentVariableIsSet("SONAVEL_RANDOM_ACTIONS") ? qEnvironmentVariableIntValue("SONAVEL_RANDOM_ACTIONS") : 2000;
        report(QStringLiteral("random commands: %1 with seed %2 (replay with SONAVEL_SEED=%2)").arg(count).arg(seed));
        QRandomGenerator random(seed);
        const QString badFile = dir.filePath(QStringLiteral("pas-de-son.mp3"));
        QVERIFY(writeFile(badFile, {}));
        const QPair<const char *, const char *> goodFiles[] = {{"tagged.mp3", "Chanson d'essai"}, {"untagged.mp3", ""}, {"sine6.mp3", ""}};
        auto *slider = child<QSlider>(window, "slider_MusicProgress");
        int staleTags = 0;
        bool labelsFilled = false;
        QString opened;
        // Weight (of 100), name, whether the player acts at once (so that no
        // signal of the back end's comes later), and the command itself.
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
                 const auto &good = goodFiles[random.bounded(int(std::size(goodFiles)))];
                 open(audioFile(opened = QLatin1String(good.first)));
                 labelsFilled = waitUntil([&] { return player()->mediaStatus() == QMediaPlayer::LoadedMedia; }, 10000);
                 // The labels follow the player's tags (checked below): those must be the file's.
                 staleTags += labelsFilled && player()->metaData(QMediaMetaData::Title).toString() != QLatin1String(good.second);
             }},
            {6, "open bad", false, [&](bool) { open(badFile); }}};
        QElapsedTimer clock;
        clock.start();
        QMap<QString, int> tally;
        QString history;
        for (int step = 0; step < count; ++step) {
            const bool viaMenu = random.bounded(2);
            auto *command = std::begin(commands);
            for (int roll = int(random.bounded(100)); roll >= command->weight; roll -= (command++)->weight) {}
            labelsFilled = false;
            opened.clear();
            command->run(viaMenu);
            ++tally[command->name];
            history = (history + " | " + command->name + ' ' + opened).right(600);

            // Quiet: not loading, and none of the player's state signals for a moment.
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
        QStringList counts;
        for (auto it = tally.cbegin(); it != tally.cend(); ++it)
            counts << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
        report(QStringLiteral("random commands: all %1 agreed, in %2 s (%3); the player had the previous file's tags %4 times")
                   .arg(count).arg(clock.elapsed() / 1000.0, 0, 'f', 1).arg(counts.join(QLatin1String(", "))).arg(staleTags));
        QCOMPARE(staleTags, 0);
    }

    void openPlayStopCyclesDoNotGrow()
    {
        constexpr int cycles = 200;
        qint64 atTenth = 0;
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            // Alternating files, so that each open really loads something new.
            open(audioFile(cycle % 2 ? "tagged.mp3" : "untagged.mp3"));
            QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::LoadedMedia, 10000);
            press("button_playPause");
            QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 0, 10000);
            press("button_stopSong");
            QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::StoppedState, 5000);
            if (cycle == 10)
                atTenth = residentKiB();
        }
        const qint64 atLast = residentKiB();
        report(QStringLiteral("resident memory: %1 KiB after cycle 10, %2 KiB after cycle %3 (%4 KiB)")
                   .arg(atTenth).arg(atLast).arg(cycles).arg(atLast - atTenth));
        QVERIFY(atTenth > 0 && atLast > 0);
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer holds freed memory in quarantine: resident size says nothing here");
#endif
        QVERIFY2(atLast - atTenth < 4 * 1024, "resident memory grew by 4 MiB or more");
    }
};

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
