// What the window says when a track ends or cannot be played, and how it takes
// hostile and odd files: each gives a clear message, and the window plays a
// good file afterwards.

#include "mainwindow.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QFileSystemModel>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMediaPlayer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

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

QByteArray syncSafe(quint32 value)
{
    QByteArray bytes(4, 0);
    for (int i = 3; i >= 0; --i, value >>= 7)
        bytes[i] = char(value & 0x7f);
    return bytes;
}

// An ID3v2.4 tag of UTF-8 text frames, as players find it before the audio.
QByteArray id3Tag(const QList<QPair<QByteArray, QString>> &frames)
{
    QByteArray body;
    for (const auto &[id, text] : frames) {
        const QByteArray content = '\x03' + text.toUtf8();
        body += id + syncSafe(quint32(content.size())) + QByteArray(2, 0) + content;
    }
    return QByteArray("ID3\x04\x00\x00", 6) + syncSafe(quint32(body.size())) + body;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, 0);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray riffChunk(const QByteArray &id, const QByteArray &content)
{
    QByteArray chunk = id + le32(quint32(content.size())) + content;
    if (content.size() % 2)
        chunk += '\0';
    return chunk;
}

// `wav` with a LIST/INFO chunk of `info` (id, text) put between its format
// and its samples.
QByteArray withInfoTags(const QByteArray &wav, const QList<QPair<QByteArray, QByteArray>> &info)
{
    QByteArray format, samples;
    for (int at = 12; at + 8 <= wav.size();) {
        const int size = int(qFromLittleEndian<quint32>(wav.constData() + at + 4));
        const QByteArray id = wav.mid(at, 4);
        if (id == "fmt ")
            format = wav.mid(at + 8, size);
        else if (id == "data")
            samples = wav.mid(at + 8, size);
        at += 8 + size + (size & 1);
    }
    QByteArray list("INFO");
    for (const auto &[id, text] : info)
        list += riffChunk(id, text + '\0');
    const QByteArray body = "WAVE" + riffChunk("fmt ", format) + riffChunk("LIST", list) + riffChunk("data", samples);
    return "RIFF" + le32(quint32(body.size())) + body;
}

} // namespace

class TestPlaybackReports : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void endOfTrackShowsPlayLookAndPlaysAgainFromTheStart();
    void unplayableFilesAreReported_data();
    void unplayableFilesAreReported();
    void fileGoneBetweenDialogAndLoadingIsReported_data();
    void fileGoneBetweenDialogAndLoadingIsReported();
    void truncatedFilesPlayWhatIsThere_data();
    void truncatedFilesPlayWhatIsThere();
    void awkwardFileNamesPlay_data();
    void awkwardFileNamesPlay();
    void oddTagsAreShownAsTheyAre_data();
    void oddTagsAreShownAsTheyAre();
    void wavInfoTagsHaveNoAlbumArtist();

private:
    QMediaPlayer *player() const { return window->findChild<QMediaPlayer *>(); }
    QString status() const { return window->statusBar()->currentMessage(); }
    QString label(const char *name) const { return child<QLabel>(window, name)->text(); }
    bool showsPlayLook() const;
    void open(const QString &path);
    void clickPlay() { child<QPushButton>(window, "button_playPause")->click(); }
    // The window still works: a good file opens and plays.
    void playsAGoodFileAfterwards();

    MainWindow *window = nullptr;
    QTemporaryDir dir;
};

void TestPlaybackReports::init()
{
    QVERIFY(dir.isValid());
    window = new MainWindow;
    window->show();
}

void TestPlaybackReports::cleanup()
{
    delete window;
    window = nullptr;
}

bool TestPlaybackReports::showsPlayLook() const
{
    return sameIcon(child<QPushButton>(window, "button_playPause")->icon(), ":/buttons/play")
        && sameIcon(child<QAction>(window, "actionLancer")->icon(), ":/buttons/play")
        && child<QAction>(window, "actionLancer")->text() == QStringLiteral("Lancer la musique");
}

void TestPlaybackReports::open(const QString &path)
{
    answerFileDialog(path);
    child<QAction>(window, "actionOuvrir")->trigger();
}

void TestPlaybackReports::playsAGoodFileAfterwards()
{
    open(audioFile("untagged.mp3"));
    QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::LoadedMedia, 10000);
    clickPlay();
    QCOMPARE(status(), QStringLiteral("Musique en cours de lecture"));
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 200, 10000);
    QCOMPARE(player()->state(), QMediaPlayer::PlayingState);
    QVERIFY(!showsPlayLook());
}

void TestPlaybackReports::endOfTrackShowsPlayLookAndPlaysAgainFromTheStart()
{
    open(audioFile("untagged.mp3")); // 3 s
    clickPlay();
    QVERIFY(!showsPlayLook());
    QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::EndOfMedia, 15000);
    QCOMPARE(player()->state(), QMediaPlayer::StoppedState);
    QCOMPARE(status(), QStringLiteral("Musique terminée"));
    QVERIFY(showsPlayLook());

    clickPlay();
    QTRY_COMPARE_WITH_TIMEOUT(player()->state(), QMediaPlayer::PlayingState, 5000);
    QCOMPARE(status(), QStringLiteral("Musique en cours de lecture"));
    QVERIFY(!showsPlayLook());
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 0, 5000);
    QVERIFY2(player()->position() < 1500, qPrintable(QString::number(player()->position())));
}

void TestPlaybackReports::unplayableFilesAreReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    QByteArray noise(64 * 1024, 0);
    QRandomGenerator random(20261206);
    random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    const QByteArray text = QByteArray("Ceci n'est pas de la musique.\n").repeated(200);

    QTest::newRow("empty mp3") << "vide.mp3" << QByteArray();
    QTest::newRow("random bytes as mp3") << "bruit.mp3" << noise;
    QTest::newRow("random bytes as wav") << "bruit.wav" << noise;
    QTest::newRow("text as mp3") << "texte.mp3" << text;
    QTest::newRow("text as wav") << "texte.wav" << text;
    QTest::newRow("mp3 cut after 300 bytes") << "coupe.mp3" << readAll(audioFile("sine6.mp3")).left(300);
}

void TestPlaybackReports::unplayableFilesAreReported()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = dir.filePath(name);
    QVERIFY(writeFile(path, bytes));

    open(path);
    QTRY_VERIFY_WITH_TIMEOUT(player()->error() != QMediaPlayer::NoError, 10000);
    QCOMPARE(player()->mediaStatus(), QMediaPlayer::InvalidMedia);
    QCOMPARE(status(), cannotPlay + player()->errorString());
    QVERIFY(status().size() > cannotPlay.size());
    QVERIFY(showsPlayLook());

    // The player tries such a file again on play() and fails again.
    clickPlay();
    QTRY_VERIFY_WITH_TIMEOUT(player()->error() != QMediaPlayer::NoError, 10000);
    QCOMPARE(player()->state(), QMediaPlayer::StoppedState);
    QCOMPARE(status(), cannotPlay + player()->errorString());
    QVERIFY(showsPlayLook());

    playsAGoodFileAfterwards();
}

void TestPlaybackReports::fileGoneBetweenDialogAndLoadingIsReported_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("replaced by a directory") << "directory";
    QTest::newRow("symlink left dangling") << "dangling";
}

void TestPlaybackReports::fileGoneBetweenDialogAndLoadingIsReported()
{
    QFETCH(QString, how);
    const QString target = dir.filePath(how + QLatin1String("-cible.mp3"));
    const QString path = dir.filePath(how + QLatin1String(".mp3"));
    QVERIFY(QFile::copy(audioFile("untagged.mp3"), target));
    if (how == QLatin1String("dangling"))
        QVERIFY(QFile::link(target, path));
    else
        QVERIFY(QFile::rename(target, path));

    // The dialog checks that the file exists when it is accepted; the window
    // hands it to the player only once the dialog has closed.
    whenModal<QFileDialog>([=](QFileDialog *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog *>(dialog)->accept();
        QVERIFY(!dialog->isVisible());
        if (how == QLatin1String("dangling")) {
            QVERIFY(QFile::remove(target));
        } else {
            QVERIFY(QFile::remove(path));
            if (how == QLatin1String("directory"))
                QVERIFY(QDir().mkdir(path));
        }
    });
    child<QAction>(window, "actionOuvrir")->trigger();
    QCOMPARE(player()->media().request().url(), QUrl::fromLocalFile(path));

    QTRY_COMPARE_WITH_TIMEOUT(player()->error(), QMediaPlayer::ResourceError, 10000);
    QCOMPARE(status(), cannotPlay + player()->errorString());
    const QString reason = player()->errorString();

    // Here the player refuses play() at once, clears its error and stays
    // stopped; the window keeps the reason it was given.
    clickPlay();
    QCOMPARE(player()->state(), QMediaPlayer::StoppedState);
    QCOMPARE(status(), cannotPlay + reason);
    QVERIFY(showsPlayLook());
    QTRY_COMPARE_WITH_TIMEOUT(player()->error(), QMediaPlayer::ResourceError, 10000);
    QCOMPARE(status(), cannotPlay + player()->errorString());

    playsAGoodFileAfterwards();
}

void TestPlaybackReports::truncatedFilesPlayWhatIsThere_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("heardUntil"); // ms of audio the file still holds

    const QByteArray mp3 = readAll(audioFile("sine6.mp3")); // 6 s
    QTest::newRow("mp3 cut in the middle") << "moitie.mp3" << mp3.left(mp3.size() / 2) << 3000;
    // A WAV header that announces 3 s of samples, and none of them.
    QTest::newRow("wav cut after its header") << "entete.wav" << readAll(audioFile("tone.wav")).left(44) << 0;
}

void TestPlaybackReports::truncatedFilesPlayWhatIsThere()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, heardUntil);
    const QString path = dir.filePath(name);
    QVERIFY(writeFile(path, bytes));

    open(path);
    clickPlay();
    QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::EndOfMedia, 15000);
    QCOMPARE(player()->error(), QMediaPlayer::NoError);
    QVERIFY2(qAbs(player()->position() - heardUntil) < 300, qPrintable(QString::number(player()->position())));
    QCOMPARE(status(), QStringLiteral("Musique terminée"));
    QVERIFY(showsPlayLook());

    playsAGoodFileAfterwards();
}

void TestPlaybackReports::awkwardFileNamesPlay_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("typed"); // else clicked in the dialog's list
    QTest::newRow("spaces") << "un titre avec des espaces.mp3" << true;
    QTest::newRow("hash") << "piste #1.mp3" << true;
    QTest::newRow("percent") << "100% bruit %20 %41.mp3" << true;
    QTest::newRow("question mark") << "vraiment ?.mp3" << true;
    // Qt's dialog reads double quotes typed in its name field as separators
    // between several names: such a file can only be clicked.
    QTest::newRow("quotes") << "l'\"essai\" `guillemets`.mp3" << false;
    QTest::newRow("non-Latin") << QStringLiteral("Мелодия 音楽 موسيقى ελληνικά.mp3") << false;
    QTest::newRow("200 characters") << QString(196, QLatin1Char('n')) + QLatin1String(".mp3") << true;
}

void TestPlaybackReports::awkwardFileNamesPlay()
{
    QFETCH(QString, name);
    QFETCH(bool, typed);
    const QString path = dir.filePath(name);
    QVERIFY(QFile::copy(audioFile("tagged.mp3"), path));

    if (typed) {
        answerFileDialog(path);
    } else {
        whenModal<QFileDialog>([=](QFileDialog *dialog) {
            dialog->setDirectory(dir.path());
            auto *model = dialog->findChild<QFileSystemModel *>();
            auto *list = dialog->findChild<QListView *>(QStringLiteral("listView"));
            QVERIFY(model && list && list->model() == model);
            QModelIndex row;
            QVERIFY(QTest::qWaitFor([&] { return (row = model->index(path)).isValid(); }, 10000));
            list->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            static_cast<QDialog *>(dialog)->accept();
        });
    }
    child<QAction>(window, "actionOuvrir")->trigger();
    QCOMPARE(player()->media().request().url().toLocalFile(), path);
    QTRY_COMPARE_WITH_TIMEOUT(label("label_fileName"), QStringLiteral("Titre: Chanson d'essai"), 10000);
    clickPlay();
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 200, 10000);
    QCOMPARE(player()->error(), QMediaPlayer::NoError);
    QCOMPARE(status(), QStringLiteral("Musique en cours de lecture"));
}

void TestPlaybackReports::oddTagsAreShownAsTheyAre_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::newRow("markup") << "<h1>gros</h1><script>x</script>" << "<b>&amp;</b>";
    QTest::newRow("10,000 characters") << QString(10000, QLatin1Char('x')) << QString(10000, QChar(0x00e9));
    QTest::newRow("right to left") << QStringLiteral("مرحبا بالعالم") << QStringLiteral("שלום \u202e321 abc");
    QTest::newRow("control characters") << QStringLiteral("a\u0001b\u0007c\td\u001b[31me") << QStringLiteral("ligne\nsuivante");
}

void TestPlaybackReports::oddTagsAreShownAsTheyAre()
{
    QFETCH(QString, title);
    QFETCH(QString, artist);
    const QString path = dir.filePath(QStringLiteral("etiquettes.mp3"));
    QVERIFY(writeFile(path, id3Tag({{"TIT2", title}, {"TALB", QStringLiteral("Album")}, {"TPE2", artist}})
                                + readAll(audioFile("untagged.mp3"))));

    open(path);
    QTRY_COMPARE_WITH_TIMEOUT(player()->mediaStatus(), QMediaPlayer::LoadedMedia, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(label("label_albumTitle"), QStringLiteral("Album: Album"), 5000);
    QCOMPARE(label("label_fileName"), QStringLiteral("Titre: ") + title);
    QCOMPARE(label("label_albumArtist"), QStringLiteral("Artiste: ") + artist);
    // However long the tags, the window keeps its controls on a small screen.
    QVERIFY2(window->minimumSizeHint().width() < 1024, qPrintable(QString::number(window->minimumSizeHint().width())));
    QVERIFY2(window->width() < 1024, qPrintable(QString::number(window->width())));

    playsAGoodFileAfterwards();
}

void TestPlaybackReports::wavInfoTagsHaveNoAlbumArtist()
{
    const QString path = dir.filePath(QStringLiteral("info.wav"));
    QVERIFY(writeFile(path, withInfoTags(readAll(audioFile("tone.wav")),
                                         {{"INAM", "Titre du WAV"}, {"IPRD", "Album du WAV"}, {"IART", "Interprète"}})));
    open(path);
    QTRY_COMPARE_WITH_TIMEOUT(label("label_fileName"), QStringLiteral("Titre: Titre du WAV"), 10000);
    QCOMPARE(label("label_albumTitle"), QStringLiteral("Album: Album du WAV"));
    // A WAV's artist is the track's; the label shows the album artist only.
    QCOMPARE(label("label_albumArtist"), QStringLiteral("Artiste: "));
    clickPlay();
    QTRY_VERIFY_WITH_TIMEOUT(player()->position() > 200, 10000);
}

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    TestPlaybackReports test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playbackreports.moc"
