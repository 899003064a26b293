// SPDX-License-Identifier: GPL-3.0-or-later
// The window from outside: playerctl on the session bus (scripts/test starts a
// private one), files from the command line and drops, a second start.

#include "mprisservice.h"
#include "sessionbus.h"
#include "testsupport.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCall>

#include <csignal>
#include <unistd.h>

// What a command prints; dbus-send's errors included.
QString run(QStringList command)
{
    QProcess process;
    if (command.first() == "dbus-send")
        process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.takeFirst(), command);
    // The window answers the bus from this thread's event loop: wait in it.
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000))
        return QStringLiteral("timed out");
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}
QString playerctl(const QStringList &args) { return run(QStringList{"playerctl"} + args); }

class TestDesktop : public QObject, WindowFixture
{
    Q_OBJECT

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
        for (int i = 0; i < 4; ++i)
            last << (printed[i] += followers[i].readAllStandardOutput()).trimmed().section('\n', -1);
        return last.mid(0, 3).join('|');
    }

    MprisService *service = nullptr;
    QProcess followers[4];
    QString printed[4];
    QTemporaryDir files;

private slots:
    void initTestCase()
    {
        if (!sessionBusExists())
            QSKIP("no session bus (scripts/test starts one)");
        QVERIFY(QFile::copy(audioFile("tagged.mp3"), files.filePath("un titre #1.mp3")));
        QVERIFY(QProcess::execute("mkfifo", {files.filePath("tube.mp3")}) == 0);
        QVERIFY(QFile::copy(SONAVEL_PROGRAM, files.filePath("notes.txt")) && QFile::copy(SONAVEL_PROGRAM, files.filePath("texte.mp3")));
        // A name in Latin-1 where the locale speaks UTF-8.
        QCOMPARE(::symlink(qPrintable(audioFile("long.mp3")), QFile::encodeName(files.filePath("lat")) + "\xe9.mp3"), 0);
        makeWindow();
        service = new MprisService(window);
        const char *followed[] = {"status", "volume", "position"};
        for (int i = 0; i < 3; ++i)
            followers[i].start("playerctl", {"-p", "sonavel", "--follow", followed[i]});
        followers[3].start("playerctl", {"-p", "sonavel", "--follow", "metadata", "--format", "{{xesam:url}}|{{xesam:title}}"});
        QTRY_COMPARE_WITH_TIMEOUT(announced(), QString("Stopped|1.000000|0.000000"), 10000);
    }
    void cleanupTestCase()
    {
        for (QProcess &follower : followers)
            follower.kill(), follower.waitForFinished();
        delete window;
        ::unlink(QFile::encodeName(files.filePath("lat")) + "\xe9.mp3"); // QDir's names cannot hold it
    }

    // The rows run in order on one window.
    void playerctlDrivesTheWindow_data()
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
        QTest::newRow("metadata") << QStringList{"metadata", "--format", metadata}
                                  << "Chanson d'essai|Album d'essai|Groupe d'essai|3000000|" + QUrl::fromLocalFile(tagged).toString()
                                  << paused + "0.000000";
        QTest::newRow("set position") << QStringList{"position", "1"} << "" << paused + "1.000000";
        QTest::newRow("set position past the end") << QStringList{"position", "999"} << "" << paused + "1.000000";
        QTest::newRow("volume 0.25") << QStringList{"volume", "0.25"} << ""
                                     << "Volume : 25 %|Lancer la musique|Volume : 25 %|paused|tagged.mp3 / Paused|0.250000|1.000000";
        const QStringList setVolume{"dbus-send", "org.freedesktop.DBus.Properties.Set", "string:org.mpris.MediaPlayer2.Player", "string:Volume"};
        QTest::newRow("volume as a string") << setVolume + QStringList{"variant:string:0.5"} << "Error org.freedesktop.DBus.Error.InvalidArgs"
                                            << "Volume : 25 %|Lancer la musique|Volume : 25 %|paused|tagged.mp3 / Paused|0.250000|1.000000";
        QTest::newRow("volume past the top") << QStringList{"volume", "1.5"} << ""
                                             << "Volume : 100 %|Lancer la musique|Volume : 100 %|paused|tagged.mp3 / Paused|1.000000|1.000000";
        QTest::newRow("stop") << QStringList{"stop"} << "" << "Musique arrêtée" + stopped + "tagged.mp3 / Stopped|1.000000|1.000000";
        QTest::newRow("open another") << QStringList{"open", audioFile("untagged.mp3")} << ""
                                      << "Musique en cours de lecture|Mettre en pause|Volume : 100 %|playing|untagged.mp3 / Playing|1.000000|1.000000";
    }

    void playerctlDrivesTheWindow()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, output);
        QFETCH(QString, after);
        // A query may be asked again until the player knows (tags come once
        // loaded); a command is sent once. dbus-send's reply: the error's name.
        if (command.first() == "dbus-send")
            QCOMPARE(run(command.mid(0, 1) + QStringList{"--print-reply", "--dest=" + MprisService::mainName, MprisService::objectPath}
                         + command.mid(1)).section(':', 0, 0), output);
        else if (output.isEmpty())
            QCOMPARE(playerctl(QStringList{"-p", "sonavel"} + command), output);
        else
            QTRY_COMPARE_WITH_TIMEOUT(playerctl(QStringList{"-p", "sonavel"} + command), output, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(shown() + " / " + announced(), after, 10000);
        // Each Metadata announced is one track's, never a file's with another's tags.
        for (const QString &line : printed[3].split('\n', Qt::SkipEmptyParts))
            QVERIFY2(line == "|" || line.endsWith("/tagged.mp3|Chanson d'essai") || line.endsWith("/untagged.mp3|"), qPrintable(line));
        if (command == QStringList{"position", "1"})
            QTRY_VERIFY_WITH_TIMEOUT(qAbs(window->mediaPlayer()->position() - 1000) < 50, 5000);
    }

    // A file from the command line (main() hands it to openFile()) and dropped: its
    // tags, or the old ones kept; a FIFO that nobody writes, which must not hold the
    // window up, chosen and handed over too.
    void outsideFiles_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("droppable");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("labels");
        QTest::newRow("spaces and #") << files.filePath("un titre #1.mp3") << true << "Musique en cours de lecture"
                                      << "Titre: Chanson d'essai|Album: Album d'essai|Artiste: Groupe d'essai";
        QTest::newRow("wav") << audioFile("tone.wav") << true << "Musique en cours de lecture" << "Titre: |Album: |Artiste: ";
        QTest::newRow("missing") << files.filePath("absent.mp3") << false << "Lecture impossible : " << "?|?|?";
        QTest::newRow("web address") << "http://example.org/song.mp3" << false << "Sonavel ne lit que des fichiers locaux : " << "?|?|?";
        QTest::newRow("not audio") << files.filePath("notes.txt") << false << "Lecture impossible : " << "?|?|?";
        QTest::newRow("not audio, named .mp3") << files.filePath("texte.mp3") << true << "Lecture impossible : " << "?|?|?";
        QTest::newRow("FIFO") << files.filePath("tube.mp3") << false << "Lecture impossible : tube.mp3" << "?|?|?";
    }

    void outsideFiles()
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
            markLabels();
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

    // Calls are read one after the other, never one inside another: of a burst
    // the last file asked for plays, and a name longer than any path is refused.
    void floodOfCallsPlaysTheLastFile()
    {
        QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
        const auto openUri = [](const QString &uri) {
            return QDBusMessage::createMethodCall(MprisService::mainName, MprisService::objectPath, "org.mpris.MediaPlayer2.Player", "OpenUri") << uri;
        };
        for (int i = 0; i < 3000; ++i)
            client.send(openUri(audioFile(i % 2 ? "long.mp3" : "tagged.mp3")));
        const QDBusPendingCall huge = client.asyncCall(openUri('/' + QString(1 << 20, 'a')));
        QTRY_VERIFY_WITH_TIMEOUT(huge.isFinished(), 30000);
        QCOMPARE(huge.error().type(), QDBusError::InvalidArgs);
        QTRY_COMPARE_WITH_TIMEOUT(shown().section('|', 3), QString("playing|long.mp3"), 10000);
        bool ran = false;
        QMetaObject::invokeMethod(window, [&] { ran = true; }, Qt::QueuedConnection);
        window->openFile(audioFile("tagged.mp3"));
        QVERIFY2(!ran, "opening a file ran a call waiting in the queue");
        QTRY_VERIFY(ran);
    }

    // Relative to its own directory, after an option of Qt's own; its bytes
    // passed as they are.
    void secondStartHandsItsFileOver_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("played");
        QTest::newRow("relative") << "un titre #1.mp3" << "un titre #1.mp3";
        QTest::newRow("file://localhost/") << "file://localhost" + QUrl::fromLocalFile(files.filePath("un titre #1.mp3")).path(QUrl::FullyEncoded)
                                          << "un titre #1.mp3";
        QTest::newRow("not UTF-8") << "lat\\351.mp3" << "lat\uFFFD.mp3";
    }

    void secondStartHandsItsFileOver()
    {
        QFETCH(QString, argument);
        QFETCH(QString, played);
        window->stopPlayback();
        markLabels();
        QProcess second;
        second.setWorkingDirectory(files.path());
        QElapsedTimer clock;
        clock.start();
        second.start("sh", {"-c", "exec \"$0\" -style fusion \"$(printf %b \"$1\")\"", SONAVEL_PROGRAM, argument});
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
        const qint64 took = clock.elapsed();
        QTRY_COMPARE_WITH_TIMEOUT(shown(), "Musique en cours de lecture|Mettre en pause|Volume : 100 %|playing|" + played, 10000);
        const bool tagged = played == QLatin1String("un titre #1.mp3");
        QTRY_COMPARE_WITH_TIMEOUT(labels(), QString(tagged ? "Titre: Chanson d'essai|Album: Album d'essai|Artiste: Groupe d'essai" : "Titre: |Album: |Artiste: "), 10000);
        // Far from D-Bus's own 25 s: the second start never waits on a window for long.
        QVERIFY2(took < 5000, qPrintable(QString::number(took) + " ms"));
    }

    // Started together with no window before, the first takes the player's name
    // and all the others hand their files to it, which plays the last one handed
    // over; none plays in a window of its own.
    void racingStartsLeaveOneWindow()
    {
        delete std::exchange(service, nullptr);
        const int starts = 10;
        QProcess monitor, started[starts];
        monitor.start("dbus-monitor", {"interface='fr.quenbrik.Sonavel',member='Open'"});
        QByteArray opened;
        QTRY_VERIFY_WITH_TIMEOUT((opened += monitor.readAllStandardOutput()).contains("NameLost"), 10000);
        for (int i = 0; i < starts; ++i) {
            QFile::link(audioFile("long.mp3"), files.filePath(QString("f%1.mp3").arg(i)));
            started[i].start(SONAVEL_PROGRAM, {files.filePath(QString("f%1.mp3").arg(i))});
        }
        const int handedOver = starts - 1;
        QTRY_COMPARE_WITH_TIMEOUT(int(std::count_if(started, started + starts, [](QProcess &p) { return p.state() == QProcess::NotRunning && p.exitCode() == 0; })),
                                  handedOver, 20000);
        QTRY_COMPARE_WITH_TIMEOUT((opened += monitor.readAllStandardOutput()).count(".mp3"), handedOver, 5000);
        const QString last = QString(opened).section('/', -1).section('"', 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"-p", "sonavel", "metadata", "--format", "{{xesam:url}} {{status}}"}).section('/', -1), last + " Playing", 10000);
        QCOMPARE(int(std::count_if(started, started + starts, [](QProcess &p) { return p.state() != QProcess::NotRunning; })), starts - handedOver);
    }

    void frozenBusCostsAtMostASecond_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no file") << QStringList{"-platform", "offscreen"};
        QTest::newRow("a file") << QStringList{"-platform", "offscreen", audioFile("long.mp3")};
        // Qt's accessibility bridge asks for the bus from the first widget there.
        QTest::newRow("no file, X11") << QStringList{"-platform", "xcb"};
    }

    // A session bus that has stopped answering does not keep the window from coming.
    void frozenBusCostsAtMostASecond()
    {
        QFETCH(QStringList, arguments);
        QProcess bus, display, program;
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1", "--address=unix:tmpdir=" + files.path()});
        QTRY_VERIFY_WITH_TIMEOUT(bus.canReadLine(), 10000);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
        environment.insert("QT_LOGGING_RULES", "qt.widgets.painting=true"); // "Drawing" once the window is drawn
        display.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
        QTRY_VERIFY_WITH_TIMEOUT(display.canReadLine(), 10000);
        environment.insert("DISPLAY", ':' + display.readLine().trimmed());
        program.setProcessEnvironment(environment);
        ::kill(pid_t(bus.processId()), SIGSTOP);
        QElapsedTimer clock;
        clock.start();
        program.start(SONAVEL_PROGRAM, arguments);
        QByteArray printed;
        QTRY_VERIFY_WITH_TIMEOUT((printed += program.readAllStandardError()).contains("Drawing"), 10000);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed()) + " ms"));
        ::kill(pid_t(bus.processId()), SIGCONT);
    }

    void frozenFirstDoesNotHoldUpTheSecond()
    {
        delete std::exchange(service, nullptr); // this window leaves the player's name to a first process
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
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed()) + " ms"));
        QCOMPARE(playerctl({"-p", own.section('.', 3), "status"}), QString("Playing"));
        second.kill();
        QVERIFY(second.waitForFinished(5000));

        // Woken up, the first was only asked whether it was ready: the file is not its.
        ::kill(pid_t(first.processId()), SIGCONT);
        QCOMPARE(playerctl({"-p", "sonavel", "status"}), QString("Stopped"));
        first.kill();
        QVERIFY(first.waitForFinished(5000));
    }
};

QTEST_MAIN(TestDesktop)

#include "tst_desktop.moc"
