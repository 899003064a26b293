// Writes the images of the application's .ico as PNGs laid out like the
// hicolor icon theme, so the desktop gets the very artwork the window shows:
//
//     hicolor_icons <icon.ico> <output dir> <icon name> <size>...
//
// writes <output dir>/<size>x<size>/apps/<icon name>.png for each size, and
// fails when the .ico has no image of one of those sizes.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QMap>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        fprintf(stderr, "usage: %s <icon.ico> <output dir> <icon name> <size>...\n", argv[0]);
        return 2;
    }

    QImageReader reader(args.at(1), "ico");
    QMap<int, QImage> bySize;
    const int count = reader.imageCount();
    for (int i = 0; i < count; ++i) {
        if (!reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (image.isNull() || image.width() != image.height()) {
            fprintf(stderr, "%s: image %d is unreadable or not square\n", qPrintable(args.at(1)), i);
            return 1;
        }
        bySize.insert(image.width(), image.convertToFormat(QImage::Format_ARGB32));
    }
    if (bySize.isEmpty()) {
        fprintf(stderr, "%s: no images (%s)\n", qPrintable(args.at(1)), qPrintable(reader.errorString()));
        return 1;
    }

    for (const QString &sizeArg : args.mid(4)) {
        bool ok = false;
        const int size = sizeArg.toInt(&ok);
        if (!ok || !bySize.contains(size)) {
            fprintf(stderr, "%s has no %s pixel image\n", qPrintable(args.at(1)), qPrintable(sizeArg));
            return 1;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(args.at(2)).arg(size);
        const QString path = QStringLiteral("%1/%2.png").arg(dir, args.at(3));
        if (!QDir().mkpath(dir) || !bySize.value(size).save(path, "png")) {
            fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
