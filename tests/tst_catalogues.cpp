// SPDX-License-Identifier: GPL-3.0-or-later
// Every catalogue must translate every tr() text of its sources: lupdate reads
// them into a scratch copy of each, and marks what it had to add unfinished.

#include "sonavel_config.h"

#include <QtTest>

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void everyTextHasAFinishedTranslation_data()
    {
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<QString>("sources");
        const QDir dir(QStringLiteral(SONAVEL_SOURCE_DIR "/translations"));
        for (const QString &name : dir.entryList({QStringLiteral("*.ts")})) {
            const bool isApp = name.startsWith(QStringLiteral(SONAVEL_APP_CATALOGUE "_"));
            QTest::newRow(qPrintable(name)) << dir.filePath(name)
                                            << QString::fromLatin1(isApp ? SONAVEL_APP_TR_DIRS : SONAVEL_UPDATER_TR_DIRS);
        }
    }

    void everyTextHasAFinishedTranslation()
    {
        QFETCH(QString, catalogue);
        QFETCH(QString, sources);
        QTemporaryDir scratch;
        const QString copy = scratch.filePath(QStringLiteral("copy.ts"));
        QVERIFY(QFile::copy(catalogue, copy));

        QProcess lupdate;
        lupdate.setWorkingDirectory(QStringLiteral(SONAVEL_SOURCE_DIR));
        // The updater's texts are English: its English catalogue only adds plural forms.
        const QStringList pluralOnly = catalogue.endsWith("/qtautoupdatergui_en.ts") ? QStringList{"-pluralonly"} : QStringList();
        lupdate.start(QStringLiteral(SONAVEL_LUPDATE), sources.split(',') + pluralOnly + QStringList{"-no-obsolete", "-ts", copy});
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);

        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString xml = QString::fromUtf8(file.readAll());
        QVERIFY(xml.count(QStringLiteral("<message")) > (pluralOnly.isEmpty() ? 10 : 1));
        QStringList missing;
        QRegularExpression unfinished(QStringLiteral("<source>([^<]*)</source>\\s*(?:<[^>]*>[^<]*</[^>]*>\\s*)*"
                                                     "<translation type=\"unfinished\""));
        for (auto it = unfinished.globalMatch(xml); it.hasNext();)
            missing << it.next().captured(1);
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("untranslated: ") + missing.join(QStringLiteral(" | "))));
    }
};

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
