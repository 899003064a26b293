// Every catalogue in translations/ must translate every text its sources fetch
// through tr(), so that a new text left untranslated fails here rather than
// showing up French in an English session. lupdate reads the sources into a
// scratch copy of each catalogue, as update_translations would; whatever it
// had to add is marked unfinished.

#include "sonavel_config.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void everyTextHasAFinishedTranslation_data();
    void everyTextHasAFinishedTranslation();
};

void TestCatalogues::everyTextHasAFinishedTranslation_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("sources");
    const QDir dir(QStringLiteral(SONAVEL_SOURCE_DIR "/translations"));
    const QString appPrefix = QStringLiteral(SONAVEL_APP_CATALOGUE "_");
    const QString updaterPrefix = QStringLiteral(SONAVEL_UPDATER_CATALOGUE "_");
    int app = 0;
    int updater = 0;
    for (const QString &name : dir.entryList({QStringLiteral("*.ts")})) {
        // The build compiles every catalogue, but start-up loads only these two families.
        const bool isApp = name.startsWith(appPrefix);
        QVERIFY2(isApp || name.startsWith(updaterPrefix), qPrintable(name + QStringLiteral(" is loaded by nobody")));
        ++(isApp ? app : updater);
        QTest::newRow(qPrintable(name)) << dir.filePath(name)
                                        << QString::fromLatin1(isApp ? SONAVEL_APP_TR_DIRS : SONAVEL_UPDATER_TR_DIRS);
    }
    QVERIFY(app > 0 && updater > 0);
}

void TestCatalogues::everyTextHasAFinishedTranslation()
{
    QFETCH(QString, catalogue);
    QFETCH(QString, sources);
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("copy.ts"));
    QVERIFY(QFile::copy(catalogue, copy));

    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(SONAVEL_SOURCE_DIR));
    // The updater's texts are written in English: its English catalogue only
    // gives them their plural forms.
    const QStringList pluralOnly = catalogue.endsWith("/qtautoupdatergui_en.ts") ? QStringList{"-pluralonly"} : QStringList();
    lupdate.start(QStringLiteral(SONAVEL_LUPDATE), sources.split(',') + pluralOnly + QStringList{"-no-obsolete", "-ts", copy});
    QVERIFY(lupdate.waitForFinished(60000));
    QCOMPARE(lupdate.exitCode(), 0);

    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(file.readAll());
    QVERIFY(xml.count(QStringLiteral("<message")) > (pluralOnly.isEmpty() ? 10 : 1));
    // Name the first texts still to translate, so the failure says what to do.
    QStringList missing;
    QRegularExpression unfinished(QStringLiteral("<source>([^<]*)</source>\\s*(?:<[^>]*>[^<]*</[^>]*>\\s*)*"
                                                 "<translation type=\"unfinished\""));
    for (auto it = unfinished.globalMatch(xml); it.hasNext();)
        missing << it.next().captured(1);
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("untranslated: ") + missing.join(QStringLiteral(" | "))));
}

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
