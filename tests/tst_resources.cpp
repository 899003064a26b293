// The image bundle compiled into the program: the names the code uses, the
// formats behind them, how rcc stored them, and that they can be read before
// any application object exists.

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QResource>
#include <QSize>
#include <QtEndian>
#include <QtTest>

namespace {

const char *const kBundlePaths[] = {
    ":/icon/app_icon",
    ":/buttons/play",
    ":/buttons/pause",
    ":/buttons/stop",
    ":/buttons/mute",
    ":/buttons/unmute",
};

const int kIconSizes[] = {256, 128, 96, 72, 64, 48, 32, 24, 16};

struct EarlyRead
{
    bool opened = false;
    QByteArray data;
};

// Filled by main() before QApplication is constructed.
QMap<QString, EarlyRead> &earlyReads()
{
    static QMap<QString, EarlyRead> reads;
    return reads;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

quint32 be32(const QByteArray &data, int offset)
{
    return qFromBigEndian<quint32>(data.constData() + offset);
}

quint16 le16(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

quint32 le32(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

// Walks the chunk list of a PNG; false (with a reason) if a chunk runs past
// the end of the data or the stream does not end with IEND.
bool pngChunkTypes(const QByteArray &png, QByteArrayList *types, QString *error)
{
    int offset = 8;
    while (offset + 12 <= png.size()) {
        const quint32 length = be32(png, offset);
        if (length > quint32(png.size() - offset - 12)) {
            *error = QStringLiteral("chunk at %1 claims %2 bytes").arg(offset).arg(length);
            return false;
        }
        types->append(png.mid(offset + 4, 4));
        offset += 12 + int(length);
        if (types->last() == "IEND") {
            if (offset == png.size())
                return true;
            *error = QStringLiteral("data after IEND");
            return false;
        }
    }
    *error = QStringLiteral("no IEND chunk");
    return false;
}

int opaquePixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                ++count;
    return count;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void readableBeforeApplication_data();
    void readableBeforeApplication();

    void pngHeader_data();
    void pngHeader();

    void iconDirectory();

    void otherSpellingsNameNothing_data();
    void otherSpellingsNameNothing();

    void storage_data();
    void storage();

    void imageReaderDecodes_data();
    void imageReaderDecodes();
};

void TestResources::readableBeforeApplication_data()
{
    QTest::addColumn<QString>("path");
    for (const char *path : kBundlePaths)
        QTest::newRow(path) << QString::fromLatin1(path);
}

void TestResources::readableBeforeApplication()
{
    QFETCH(QString, path);
    QVERIFY2(earlyReads().contains(path), "main() did not try this path");
    const EarlyRead early = earlyReads().value(path);
    QVERIFY2(early.opened, "could not be opened before QApplication existed");
    QVERIFY(!early.data.isEmpty());
    // Same bytes as now, so the early read was the real, decompressed data.
    QCOMPARE(early.data, readAll(path));
}

void TestResources::pngHeader_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("colourType");

    QTest::newRow("play") << ":/buttons/play" << 48 << 4;
    QTest::newRow("pause") << ":/buttons/pause" << 48 << 4;
    QTest::newRow("stop") << ":/buttons/stop" << 48 << 4;
    QTest::newRow("mute") << ":/buttons/mute" << 64 << 3;
    QTest::newRow("unmute") << ":/buttons/unmute" << 64 << 6;
}

void TestResources::pngHeader()
{
    QFETCH(QString, path);
    QFETCH(int, side);
    QFETCH(int, colourType);

    const QByteArray png = readAll(path);
    QVERIFY2(png.size() > 33, "too short for a PNG header");
    QVERIFY(png.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)));
    QCOMPARE(be32(png, 8), 13u);
    QCOMPARE(png.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(be32(png, 16), quint32(side));
    QCOMPARE(be32(png, 20), quint32(side));
    QCOMPARE(int(quint8(png.at(24))), 8);          // bits per sample
    QCOMPARE(int(quint8(png.at(25))), colourType);
    QCOMPARE(int(quint8(png.at(28))), 0);          // not interlaced

    QByteArrayList chunks;
    QString error;
    QVERIFY2(pngChunkTypes(png, &chunks, &error), qPrintable(error));
    const int firstData = chunks.indexOf("IDAT");
    QVERIFY2(firstData > 0, "no image data");
    const int palette = chunks.indexOf("PLTE");
    const int transparency = chunks.indexOf("tRNS");
    if (colourType == 3) {
        // An indexed image only has see-through pixels through tRNS, which
        // must sit between the palette and the data.
        QVERIFY2(palette > 0 && palette < firstData, "palette missing or misplaced");
        QVERIFY2(transparency > palette && transparency < firstData,
                 "tRNS missing or misplaced");
    } else {
        QCOMPARE(palette, -1);
        QCOMPARE(transparency, -1);     // alpha comes from the pixels themselves
    }
}

void TestResources::iconDirectory()
{
    const QByteArray ico = readAll(QStringLiteral(":/icon/app_icon"));
    const int count = int(sizeof kIconSizes / sizeof kIconSizes[0]);
    QVERIFY2(ico.size() >= 6 + 16 * count, "too short for the icon directory");
    QCOMPARE(le16(ico, 0), quint16(0));
    QCOMPARE(le16(ico, 2), quint16(1));             // 1 = icon, 2 = cursor
    QCOMPARE(int(le16(ico, 4)), count);

    for (int i = 0; i < count; ++i) {
        const int side = kIconSizes[i];
        const int entry = 6 + 16 * i;
        const QByteArray where = "image " + QByteArray::number(i) + " (" + QByteArray::number(side) + " px)";
        // A byte cannot hold 256, so the format writes 0 for it.
        QVERIFY2(quint8(ico.at(entry)) == side % 256, where);
        QVERIFY2(quint8(ico.at(entry + 1)) == side % 256, where);
        QVERIFY2(le16(ico, entry + 4) == 1, where + ": planes");
        QVERIFY2(le16(ico, entry + 6) == 32, where + ": bit count");

        // 32-bit BGRA plus a 1-bit AND mask whose rows are padded to 32 bits.
        const quint32 maskStride = quint32((side + 31) / 32 * 4);
        const quint32 expectedBytes = 40 + quint32(side * side * 4) + maskStride * quint32(side);
        const quint32 bytes = le32(ico, entry + 8);
        const quint32 offset = le32(ico, entry + 12);
        QVERIFY2(bytes == expectedBytes, where + ": bytes in resource");
        QVERIFY2(offset + bytes <= quint32(ico.size()), where + ": runs past the end");

        const int bmp = int(offset);
        QVERIFY2(le32(ico, bmp) == 40, where + ": not a BITMAPINFOHEADER");
        QVERIFY2(le32(ico, bmp + 4) == quint32(side), where + ": width");
        QVERIFY2(le32(ico, bmp + 8) == quint32(2 * side), where + ": height (colour + mask)");
        QVERIFY2(le16(ico, bmp + 12) == 1, where + ": planes");
        QVERIFY2(le16(ico, bmp + 14) == 32, where + ": bits per pixel");
        QVERIFY2(le32(ico, bmp + 16) == 0, where + ": compression");
        QVERIFY2(le32(ico, bmp + 32) == 0, where + ": colour table");
    }
}

void TestResources::otherSpellingsNameNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("realPath");

    QTest::newRow("png extension") << ":/buttons/play.png" << ":/buttons/play";
    QTest::newRow("ico extension") << ":/icon/app_icon.ico" << ":/icon/app_icon";
    QTest::newRow("capitalised") << ":/Buttons/Play" << ":/buttons/play";
    QTest::newRow("capitalised name") << ":/buttons/Mute" << ":/buttons/mute";
    QTest::newRow("upper-case name") << ":/icon/APP_ICON" << ":/icon/app_icon";
    QTest::newRow("capitalised prefix") << ":/Icon/app_icon" << ":/icon/app_icon";
    QTest::newRow("without prefix") << ":/play" << ":/buttons/play";
    QTest::newRow("file name as alias") << ":/buttons/stop.png" << ":/buttons/stop";
}

void TestResources::otherSpellingsNameNothing()
{
    QFETCH(QString, path);
    QFETCH(QString, realPath);

    // Guards against passing only because the bundle is missing altogether.
    QVERIFY(QFile::exists(realPath));

    QVERIFY(!QFile::exists(path));
    QVERIFY(!QResource(path).isValid());
    QFile file(path);
    QVERIFY(!file.open(QIODevice::ReadOnly));
}

void TestResources::storage_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("compressed");

    // The icon's raw bitmaps shrink a lot under zlib; PNG data is already
    // deflated, so rcc must keep it as it is.
    QTest::newRow("app_icon") << ":/icon/app_icon" << true;
    QTest::newRow("play") << ":/buttons/play" << false;
    QTest::newRow("pause") << ":/buttons/pause" << false;
    QTest::newRow("stop") << ":/buttons/stop" << false;
    QTest::newRow("mute") << ":/buttons/mute" << false;
    QTest::newRow("unmute") << ":/buttons/unmute" << false;
}

void TestResources::storage()
{
    QFETCH(QString, path);
    QFETCH(bool, compressed);

    const QResource resource(path);
    QVERIFY(resource.isValid());
    const qint64 fileSize = readAll(path).size();
    QVERIFY(fileSize > 0);
    QCOMPARE(resource.uncompressedSize(), fileSize);
    if (compressed) {
        QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);
        QVERIFY2(resource.size() < fileSize,
                 qPrintable(QStringLiteral("stored %1 of %2 bytes").arg(resource.size()).arg(fileSize)));
    } else {
        QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
        QCOMPARE(resource.size(), fileSize);
    }
}

void TestResources::imageReaderDecodes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QList<int>>("sides");

    QList<int> iconSides;
    for (int side : kIconSizes)
        iconSides << side;

    QTest::newRow("app_icon") << ":/icon/app_icon" << QByteArray("ico") << iconSides;
    QTest::newRow("play") << ":/buttons/play" << QByteArray("png") << QList<int>{48};
    QTest::newRow("pause") << ":/buttons/pause" << QByteArray("png") << QList<int>{48};
    QTest::newRow("stop") << ":/buttons/stop" << QByteArray("png") << QList<int>{48};
    QTest::newRow("mute") << ":/buttons/mute" << QByteArray("png") << QList<int>{64};
    QTest::newRow("unmute") << ":/buttons/unmute" << QByteArray("png") << QList<int>{64};
}

void TestResources::imageReaderDecodes()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QList<int>, sides);

    // No file extension to go by: the reader has to recognise the content.
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    if (sides.size() > 1)
        QCOMPARE(reader.imageCount(), sides.size());

    for (int i = 0; i < sides.size(); ++i) {
        const QSize expected(sides.at(i), sides.at(i));
        const QByteArray where = "image " + QByteArray::number(i);
        if (i > 0)
            QVERIFY2(reader.jumpToImage(i), where);
        QCOMPARE(reader.size(), expected);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(where + ": " + reader.errorString().toUtf8()));
        QCOMPARE(image.size(), expected);
        // Buttons and icon sit on a transparent background and draw
        // something solid on it.
        QVERIFY2(image.hasAlphaChannel(), where);
        QVERIFY2(qAlpha(image.pixel(0, 0)) == 0, where + ": corner is not transparent");
        QVERIFY2(opaquePixels(image) > image.width() * image.height() / 10,
                 where + ": hardly anything drawn");
    }
}

int main(int argc, char *argv[])
{
    for (const char *path : kBundlePaths) {
        QFile file(QString::fromLatin1(path));
        EarlyRead early;
        early.opened = file.open(QIODevice::ReadOnly);
        if (early.opened)
            early.data = file.readAll();
        earlyReads().insert(QString::fromLatin1(path), early);
    }

    // Image decoding goes through QtGui and its plugins (ICO is one); the
    // offscreen platform lets that run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestResources test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resources.moc"
