// Every catalogue in translations/ must translate every text its sources
// fetch through tr(), so that adding a text without translating it fails
// here rather than showing up French in an English session. The texts are
// taken from the sources the way update_translations takes them: by running
// lupdate, into a scratch file.

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Message
{
    QString context;
    QString source;
    QString comment;
    QString type; // "unfinished", "vanished", "obsolete" or empty when finished
    QStringList translations; // one per plural form, or just one
    bool numerus = false;

    QString key() const { return context + QChar(0x1f) + source + QChar(0x1f) + comment; }
};

QList<Message> readCatalogue(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return {};
    }
    QList<Message> messages;
    QString context;
    Message message;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            message = Message();
            message.context = context;
            message.numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        } else if (name == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (name == QLatin1String("comment")) {
            message.comment = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            if (message.numerus) {
                while (xml.readNextStartElement())
                    message.translations << xml.readElementText(); // <numerusform>
            } else {
                message.translations << xml.readElementText();
            }
            // <translation> is the last child lupdate writes that we need.
            messages << message;
        }
    }
    if (xml.hasError())
        *error = QStringLiteral("%1 at line %2").arg(xml.errorString()).arg(xml.lineNumber());
    return messages;
}

// The sources a catalogue serves, by the prefix start-up loads it under.
QStringList sourceDirsFor(const QString &catalogue)
{
    if (catalogue.startsWith(QLatin1String("app_")))
        return QStringLiteral(SONAVEL_APP_TR_DIRS).split(QLatin1Char(','));
    if (catalogue.startsWith(QLatin1String("qtautoupdatergui_")))
        return QStringLiteral(SONAVEL_UPDATER_TR_DIRS).split(QLatin1Char(','));
    return {};
}

QStringList placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%(?:n|L?[1-9][0-9]?)"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void everyTextHasAFinishedTranslation_data();
    void everyTextHasAFinishedTranslation();
    void translationsKeepThePlaceholders_data();
    void translationsKeepThePlaceholders();

private:
    void catalogueRows();
};

void TestCatalogues::catalogueRows()
{
    QTest::addColumn<QString>("catalogue");
    const QDir dir(QStringLiteral(SONAVEL_SOURCE_DIR "/translations"));
    const QStringList files = dir.entryList({QStringLiteral("*.ts")}, QDir::Files, QDir::Name);
    QVERIFY2(files.contains(QLatin1String("app_en.ts")), qPrintable(dir.path()));
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << dir.filePath(file);
}

void TestCatalogues::everyTextHasAFinishedTranslation_data()
{
    catalogueRows();
}

void TestCatalogues::everyTextHasAFinishedTranslation()
{
    QFETCH(QString, catalogue);
    const QString name = QFileInfo(catalogue).fileName();
    const QStringList dirs = sourceDirsFor(name);
    QVERIFY2(!dirs.isEmpty(), "start-up loads only app_<lang> and qtautoupdatergui_<lang> catalogues");

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString extractedPath = scratch.filePath(QStringLiteral("extracted.ts"));
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(SONAVEL_SOURCE_DIR));
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(SONAVEL_LUPDATE),
                  dirs + QStringList{QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                                     QStringLiteral("-ts"), extractedPath});
    QVERIFY2(lupdate.waitForFinished(60000), qPrintable(lupdate.errorString()));
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0,
             lupdate.readAll().constData());

    QString error;
    const QList<Message> extracted = readCatalogue(extractedPath, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // An empty extraction would make the comparison below pass vacuously.
    QVERIFY2(!extracted.isEmpty(), qPrintable(dirs.join(QLatin1Char(' '))));

    QHash<QString, Message> translated;
    for (const Message &message : readCatalogue(catalogue, &error))
        translated.insert(message.key(), message);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QStringList problems;
    for (const Message &wanted : extracted) {
        const auto found = translated.constFind(wanted.key());
        QString problem;
        if (found == translated.constEnd())
            problem = QStringLiteral("missing");
        else if (!found->type.isEmpty())
            problem = found->type;
        else if (found->translations.isEmpty() || found->translations.contains(QString()))
            problem = QStringLiteral("empty");
        if (!problem.isEmpty())
            problems << QStringLiteral("%1 \"%2\": %3").arg(wanted.context, wanted.source, problem);
    }
    QVERIFY2(problems.isEmpty(),
             qPrintable(QStringLiteral("%1 of %2 texts not translated in %3 (run the update_translations target "
                                       "and translate them):\n  %4")
                            .arg(problems.size())
                            .arg(extracted.size())
                            .arg(name, problems.join(QStringLiteral("\n  ")))));
}

void TestCatalogues::translationsKeepThePlaceholders_data()
{
    catalogueRows();
}

void TestCatalogues::translationsKeepThePlaceholders()
{
    QFETCH(QString, catalogue);
    QString error;
    const QList<Message> messages = readCatalogue(catalogue, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QStringList problems;
    for (const Message &message : messages) {
        if (!message.type.isEmpty())
            continue; // unfinished texts are the other test's business
        const QStringList wanted = placeholders(message.source);
        for (int form = 0; form < message.translations.size(); ++form) {
            const QString &translation = message.translations.at(form);
            const QStringList got = placeholders(translation);
            QStringList expected = wanted;
            // The first plural form (one) may spell the number out.
            if (message.numerus && form == 0 && !got.contains(QLatin1String("%n")))
                expected.removeAll(QStringLiteral("%n"));
            if (got != expected)
                problems << QStringLiteral("\"%1\" -> \"%2\"").arg(message.source, translation);
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
