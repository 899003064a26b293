// SPDX-License-Identifier: GPL-3.0-or-later
#include "coverartfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QUrl>

QString CoverArtFile::url(const QImage &cover)
{
    // The player makes a new image each time it is asked: compare what they
    // show. For a moment after a new file is loaded, it still has the old one.
    if (cover != written) {
        remove();
        written = cover;
        // The session's own directory is private to the user and emptied at
        // logout, should we be killed before we remove it (without one, Qt
        // makes a private one under /tmp).
        const QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        // A new name for each cover: widgets keep what they once read under a name.
        const QString file = QStringLiteral("%1/sonavel-cover-%2-%3.png").arg(directory).arg(QCoreApplication::applicationPid()).arg(++files);
        // Widgets show it a few dozen pixels wide: a 3,000-pixel scan is not
        // worth encoding whole on the GUI thread.
        const QImage image = cover.width() > 512 || cover.height() > 512
            ? cover.scaled(512, 512, Qt::KeepAspectRatio, Qt::SmoothTransformation) : cover;
        if (!cover.isNull() && !directory.isEmpty() && QDir().mkpath(directory) && image.save(file, "PNG"))
            path = file;
    }
    return path.isEmpty() ? QString() : QUrl::fromLocalFile(path).toString();
}

void CoverArtFile::remove()
{
    if (!path.isEmpty())
        QFile::remove(path);
    path.clear();
    written = QImage();
}
