// The window from outside: playerctl on the session bus (scripts/test starts a
// private one), files from the command line and drops, a second start.

#include "mprisservice.h"
#include "sessionbus.h"
#include "testsupport.h"

#include <QDBusConnectionInterface>

#include <csignal>

class TestDesktop : public QObject, WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase()
    {
        for (QProcess &follower : followers)
            follower.kill(), follower.waitForFinished();
        delete window;
    }
    void playerctlDrivesTheWindow_data();
    void playerctlDrivesTheWindow();
    void outsideFiles_data();
    void outsideFiles();
    void secondStartHandsItsFileOver();
    void frozenFirstDoesNotHoldUpTheSecond();

private:
    QString shown() const
    {
        const char *states[] = {"stopped", "playing", "paused"};
        auto *play = QAccessible::queryAccessibleInterface(child<QWidget>(window, "button_playPause"));
        return QStringList{status(), play->text(QAccessible::Name), label("label_volumeLevel"), states[player()->state()],
                           player()->media().request().url().fileName()}
            .join('|');
    }
    QString announced()
    {
        QStringList last;
        for (int i = 0; i < 3; ++i)
            last << (printed[i] += followers[i].readAllStandardOutput()).trimmed().section('\n', -1);
        return last.join('|');
    }

    MprisService *service = nullptr;
    QProcess followers[3];
    QString printed[3];
    QTemporaryDir files;
};

QString playerctl(const QStringList &args)
{
    QProcess process;
    process.start("playerctl", args);
    // The window answers the bus from this thread's event loop: wait in it.
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000))
        return QStringLiteral("timed out");
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void TestDesktop::initTestCase()
{
    if (!sessionBusExists())
        QSKIP("no session bus (scripts/test starts one)");
    QVERIFY(QFile::copy(audioFile("tagged.mp3"), files.filePath("un titre #1.mp3")));
    QVERIFY(QDir(files.path()).mkdir("dossier") && QProcess::execute("mkfifo", {files.filePath("tube.mp3")}) == 0);
    QVERIFY(QFile::copy(SONAVEL_PROGRAM, files.filePath("notes.txt")) && QFile::copy(SONAVEL_PROGRAM, files.filePath("texte.mp3")));
    makeWindow();
    service = new MprisService(window);
    QCOMPARE(service->serviceName(), MprisService::mainName);
    const char *followed[] = {"status", "volume", "position"};
    for (int i = 0; i < 3; ++i)
        followers[i].start("playerctl", {"-p", "sonavel", "--follow", followed[i]});
    QTRY_COMPARE_WITH_TIMEOUT(announced(), QString("Stopped|1.000000|0.000000"), 10000);
}

// The rows run in order on one window.
void TestDesktop::playerctlDrivesTheWindow_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("after");
    const QString tagged = audioFile("tagged.mp3");
    const QString paused = "Musique en pause|Lancer la musique|Volume : 100 %|paused|tagged.mp3 / Paused|1.000000|";
    const QString stopped = "|Lancer la musique|Volume : 100 %|stopped|";
    const QString metadata = "{{xesam:title}}|{{xesam:album}}|{{xesam:albumArtist}}|{{mpris:length}}|{{xesam:url}}";
    QTest::newRow("play, nothing loaded") << QStringList{"play"} << "" << "Volume : 100 %" + stopped + " / Stopped|1.000000|0.000000";
    QTest::newRow("open") << QStringList{"open", tagged} << ""
                          << "Musique en cours de lecture|Mettre en pause|Volume : 100 %|playing|tagged.mp3 / Playing|1.000000|0.000000";
    QTest::newRow("play-pause") << QStringList{"play-pause"} << "" << paused + "0.000000";
    QTest::newRow("status") << QStringList{"status"} << "Paused" << paused + "0.000000";
    QTest::newRow("metadata") << QStringList{"metadata", "--format", metadata}
                              << "Chanson d'essai|Album d'essai|Groupe d'essai|3000000|" + QUrl::fromLocalFile(tagged).toString()
                              << paused + "0.000000";
    QTest::newRow("set position") << QStringList{"position", "1"} << "" << paused + "1.000000";
    QTest::newRow("position") << QStringList{"position"} << "1.000000" << paused + "1.000000";
    QTest::newRow("volume 0.25") << QStringList{"volume", "0.25"} << ""
                                 << "Volume : 25 %|Lancer la musique|Volume : 25 %|paused|tagged.mp3 / Paused|0.250000|1.000000";
    QTest::newRow("volume past the top") << QStringList{"volume", "1.5"} << ""
                                         << "Volume : 100 %|Lancer la musique|Volume : 100 %|paused|tagged.mp3 / Paused|1.000000|1.000000";
    QTest::newRow("open a FIFO") << QStringList{"open", files.filePath("tube.mp3")} << "" << "Lecture impossible : tube.mp3 n'est pas un "
                                 "fichier mais un tube, une socket ou un périphérique|" + paused.section('|', 1) + "1.000000";
    QTest::newRow("stop") << QStringList{"stop"} << "" << "Musique arrêtée" + stopped + "tagged.mp3 / Stopped|1.000000|1.000000";
    QTest::newRow("open a web address") << QStringList{"open", "http://example.org/song.mp3"} << ""
                                        << "Sonavel ne lit que des fichiers locaux : http://example.org/song.mp3" + stopped
                                               + "tagged.mp3 / Stopped|1.000000|1.000000";
}

void TestDesktop::playerctlDrivesTheWindow()
{
    QFETCH(QStringList, command);
    QFETCH(QString, output);
    QFETCH(QString, after);
    // A query may be asked again until the player knows (tags come once
    // loaded); a command is sent once.
    if (output.isEmpty())
        QCOMPARE(playerctl(QStringList{"-p", "sonavel"} + command), output);
    else
        QTRY_COMPARE_WITH_TIMEOUT(playerctl(QStringList{"-p", "sonavel"} + command), output, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(shown() + " / " + announced(), after, 10000);
    if (command == QStringList{"position", "1"})
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(window->mediaPlayer()->position() - 1000) < 50, 5000);
}

// A file from the command line (main() hands it to openFile()) and dropped: its
// tags, or the old ones kept; a FIFO that nobody writes, which must not hold the
// window up, chosen and handed over too.
void TestDesktop::outsideFiles_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("droppable");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("labels");
    QTest::newRow("spaces and #") << files.filePath("un titre #1.mp3") << true << "Musique en cours de lecture"
                                  << "Titre: Chanson d'essai|Album: Album d'essai|Artiste: Groupe d'essai";
    QTest::newRow("wav") << audioFile("tone.wav") << true << "Musique en cours de lecture" << "Titre: |Album: |Artiste: ";
    QTest::newRow("missing") << files.filePath("absent.mp3") << false << "Lecture impossible : " << "?|?|?";
    QTest::newRow("directory") << files.filePath("dossier") << false << "Lecture impossible : " << "?|?|?";
    QTest::newRow("web address") << "http://example.org/song.mp3" << false << "Sonavel ne lit que des fichiers locaux : " << "?|?|?";
    QTest::newRow("not audio") << files.filePath("notes.txt") << false << "Lecture impossible : " << "?|?|?";
    QTest::newRow("not audio, named .mp3") << files.filePath("texte.mp3") << true << "Lecture impossible : " << "?|?|?";
    QTest::newRow("FIFO") << files.filePath("tube.mp3") << false << "Lecture impossible : tube.mp3" << "?|?|?";
}

void TestDesktop::outsideFiles()
{
    QFETCH(QString, argument);
    QFETCH(bool, droppable);
    QFETCH(QString, status);
    QFETCH(QString, labels);
    const QUrl url = argument.startsWith("http") ? QUrl(argument) : QUrl::fromLocalFile(argument);
    // A refused address or FIFO leaves the loaded file as it was.
    const bool fifo = QTest::currentDataTag() == QLatin1String("FIFO"), refused = fifo || !url.isLocalFile();
    const QString loaded = refused ? shown().section('|', -1) : url.fileName();

    QMimeData data;
    data.setUrls({url});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QCOMPARE(enter.isAccepted(), droppable);
    for (int way = droppable ? 0 : 1; way < (fifo ? 4 : 2); ++way) {
        window->stopPlayback();
        for (const char *shown : {"label_fileName", "label_albumTitle", "label_albumArtist"})
            child<QLabel>(window, shown)->setText("?");
        QDropEvent dropped(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QProcess second;
        if (way == 0)
            QApplication::sendEvent(window, &dropped);
        else if (way == 1)
            QCOMPARE(window->openFile(argument), !refused);
        else if (way == 2)
            open(argument);
        else
            second.start(SONAVEL_PROGRAM, {argument});
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(shown().startsWith(status), 10000);
        QCOMPARE(shown().section('|', -1), loaded);
        QTRY_COMPARE_WITH_TIMEOUT(this->labels(), labels, 10000);
    }
}

void TestDesktop::secondStartHandsItsFileOver()
{
    // Relative to its own directory, after an option of Qt's own.
    QProcess second;
    second.setWorkingDirectory(files.path());
    QElapsedTimer clock;
    clock.start();
    second.start(SONAVEL_PROGRAM, {"-style", "fusion", "un titre #1.mp3"});
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
    const qint64 took = clock.elapsed();
    QCOMPARE(second.exitStatus() + second.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(shown(), QString("Musique en cours de lecture|Mettre en pause|Volume : 100 %|playing|un titre #1.mp3"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labels(), QString("Titre: Chanson d'essai|Album: Album d'essai|Artiste: Groupe d'essai"), 10000);
    qInfo("the second start handed its file over and exited after %lld ms", took);
    // Far from D-Bus's own 25 s: the second start never waits on a window for long.
    QVERIFY(took < 5000);
}

void TestDesktop::frozenFirstDoesNotHoldUpTheSecond()
{
    delete service; // this window leaves the player's name to a first process
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    QProcess first, second;
    first.start(SONAVEL_PROGRAM, QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(MprisService::mainName), 10000);
    ::kill(pid_t(first.processId()), SIGSTOP);

    QElapsedTimer clock;
    clock.start();
    second.start(SONAVEL_PROGRAM, {files.filePath("un titre #1.mp3")});
    const QString own = MprisService::mainName + ".instance" + QString::number(second.processId());
    QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(own), 10000);
    qInfo("with the first one frozen, the second opened its own window after %lld ms", clock.elapsed());
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(playerctl({"-p", own.section('.', 3), "status"}), QString("Playing"));
    second.kill();
    QVERIFY(second.waitForFinished(5000));

    // Woken up, the first finds the request past its deadline and leaves it.
    ::kill(pid_t(first.processId()), SIGCONT);
    QCOMPARE(playerctl({"-p", "sonavel", "status"}), QString("Stopped"));
    first.kill();
    QVERIFY(first.waitForFinished(5000));
}

QTEST_MAIN(TestDesktop)

#include "tst_desktop.moc"
