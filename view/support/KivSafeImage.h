#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>

// Pictures that come from the file server or the user's files are checked
// before they are decoded whole: a size cap on the bytes and on the pixels,
// so a small file that inflates to gigabytes (a decompression bomb) is refused.
class KivSafeImage {
public:
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    static constexpr qint64 kMaxPixels = 40 * 1000 * 1000;
    static constexpr int kMaxSide = 12000;

    // A decoded picture, or a null image and the reason in `error`.
    static QImage Decode(const QByteArray& bytes, QString* error);
    static QImage Load(const QString& path, QString* error);
    // A picture file for showing (heads above all): null when it is refused.
    static QPixmap Pixmap(const QString& path);
    // Writes the picture as PNG through a temporary file, so a failed write
    // leaves the file that was there before.
    static bool StorePng(const QImage& image, const QString& path);
};
