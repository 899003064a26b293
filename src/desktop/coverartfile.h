// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

// The cover of the track being played, as a file for the desktop's player
// widgets, which MPRIS hands a URL, not an image. Each cover is written once;
// its file is removed when the cover changes (a new track) and with this object.
class CoverArtFile
{
public:
    CoverArtFile() = default;
    CoverArtFile(const CoverArtFile &) = delete;
    CoverArtFile &operator=(const CoverArtFile &) = delete;
    ~CoverArtFile() { remove(); }

    // The file:// URL of `cover`; empty for a null image (a track without a
    // cover) or one that could not be written.
    QString url(const QImage &cover);

private:
    void remove();

    QImage written; // what `path` holds
    int files = 0;
    QString path;
};
