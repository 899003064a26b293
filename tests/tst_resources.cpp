// The image bundle compiled into the program: the names the code uses, the
// formats behind them, how rcc stored them, and that they can be read before
// any application object exists.

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QMap>
#include <QResource>
#include <QtEndian>
#include <QtTest>

namespace {

const char *const bundlePaths[] = {":/icon/app_icon", ":/buttons/play",  ":/buttons/pause",
                                   ":/buttons/stop",  ":/buttons/mute",  ":/buttons/unmute"};
const QList<int> iconSides = {SONAVEL_ICON_SIZES}; // largest first, from CMake

// What main() could read of each path before QApplication existed.
QMap<QString, QByteArray> earlyReads;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void buttonsArePngsOfTheirSizeAndKind_data();
    void buttonsArePngsOfTheirSizeAndKind();
    void iconHoldsNineBitmapsLargestFirst();
    void otherSpellingsNameNothing_data();
    void otherSpellingsNameNothing();
    void onlyTheIconIsStoredCompressed();
};

void TestResources::buttonsArePngsOfTheirSizeAndKind_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("colourType"); // 4 grey+alpha, 3 palette, 6 RGBA
    QTest::newRow("play") << ":/buttons/play" << 48 << 4;
    QTest::newRow("pause") << ":/buttons/pause" << 48 << 4;
    QTest::newRow("stop") << ":/buttons/stop" << 48 << 4;
    QTest::newRow("mute") << ":/buttons/mute" << 64 << 3;
    QTest::newRow("unmute") << ":/buttons/unmute" << 64 << 6;
}

void TestResources::buttonsArePngsOfTheirSizeAndKind()
{
    QFETCH(QString, path);
    QFETCH(int, side);
    QFETCH(int, colourType);

    const QByteArray png = readAll(path);
    QVERIFY(png.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)));
    QCOMPARE(png.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(qFromBigEndian<quint32>(png.constData() + 16), quint32(side));
    QCOMPARE(qFromBigEndian<quint32>(png.constData() + 20), quint32(side));
    QCOMPARE(int(png.at(24)), 8);
    QCOMPARE(int(png.at(25)), colourType);
    // A palette image is see-through only through its transparency table.
    QCOMPARE(png.contains("tRNS"), colourType == 3);

    // No extension to go by: the reader must recognise the content.
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QCOMPARE(image.size(), QSize(side, side));
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
}

void TestResources::iconHoldsNineBitmapsLargestFirst()
{
    const QByteArray ico = readAll(QStringLiteral(":/icon/app_icon"));
    QVERIFY(ico.size() >= 6 + 16 * iconSides.size());
    auto le16 = [&](int at) { return int(qFromLittleEndian<quint16>(ico.constData() + at)); };
    auto le32 = [&](int at) { return qFromLittleEndian<quint32>(ico.constData() + at); };
    QCOMPARE(le16(2), 1); // an icon, not a cursor
    QCOMPARE(le16(4), iconSides.size());

    QImageReader reader(QStringLiteral(":/icon/app_icon"));
    QCOMPARE(reader.format(), QByteArray("ico"));
    QCOMPARE(reader.imageCount(), iconSides.size());
    for (int i = 0; i < iconSides.size(); ++i) {
        const int side = iconSides.at(i);
        const int entry = 6 + 16 * i;
        QCOMPARE(quint8(ico.at(entry)), quint8(side % 256)); // 256 is written as 0
        QCOMPARE(le16(entry + 6), 32);
        // An uncompressed 32-bit bitmap with its 1-bit mask, rows padded to 32 bits.
        const quint32 bitmap = le32(entry + 12);
        QCOMPARE(le32(entry + 8), 40 + quint32(side * side * 4) + quint32((side + 31) / 32 * 4 * side));
        QCOMPARE(le32(int(bitmap)), 40u);
        QCOMPARE(le32(int(bitmap) + 16), 0u);

        QVERIFY(reader.jumpToImage(i));
        QCOMPARE(reader.read().size(), QSize(side, side));
    }
}

void TestResources::otherSpellingsNameNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("realPath");
    QTest::newRow("png extension") << ":/buttons/play.png" << ":/buttons/play";
    QTest::newRow("ico extension") << ":/icon/app_icon.ico" << ":/icon/app_icon";
    QTest::newRow("capitalised") << ":/Buttons/Play" << ":/buttons/play";
    QTest::newRow("upper-case name") << ":/icon/APP_ICON" << ":/icon/app_icon";
}

void TestResources::otherSpellingsNameNothing()
{
    QFETCH(QString, path);
    QFETCH(QString, realPath);
    QVERIFY(QFile::exists(realPath)); // not passing merely because the bundle is gone
    QVERIFY(!QFile::exists(path));
    QVERIFY(!QResource(path).isValid());
}

void TestResources::onlyTheIconIsStoredCompressed()
{
    for (const char *path : bundlePaths) {
        const QResource resource{QString::fromLatin1(path)};
        const QByteArray data = readAll(QLatin1String(path));
        // Registered before main() runs: readable before QApplication existed.
        QCOMPARE(earlyReads.value(QLatin1String(path)), data);
        const qint64 fileSize = data.size();
        QCOMPARE(resource.uncompressedSize(), fileSize);
        // The icon's raw bitmaps shrink under zlib; the PNGs are deflated already.
        if (QByteArray(path) == ":/icon/app_icon") {
            QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);
            QVERIFY(resource.size() < fileSize / 4);
        } else {
            QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
            QCOMPARE(resource.size(), fileSize);
        }
    }
}

int main(int argc, char *argv[])
{
    for (const char *path : bundlePaths)
        earlyReads.insert(QLatin1String(path), readAll(QLatin1String(path)));

    QApplication app(argc, argv);
    TestResources test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resources.moc"
