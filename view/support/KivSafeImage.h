#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <QString>

// Pictures that come from the file server or the user's files are checked
// before they are decoded whole: a size cap on the bytes and on the pixels,
// so a small file that inflates to gigabytes (a decompression bomb) is refused.
// The decoder is chosen by us from the file's first bytes, never by Qt's
// guess, so bytes that look like SVG, TIFF or any other plug-in's format
// never reach that plug-in.
class KivSafeImage {
    Q_DECLARE_TR_FUNCTIONS(KivSafeImage)

public:
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    static constexpr qint64 kMaxPixels = 40 * 1000 * 1000;
    static constexpr int kMaxSide = 12000;
    // Pictures in a chat are fetched and shown by themselves up to this size.
    static constexpr qint64 kMaxChatPictureBytes = 10 * 1024 * 1024;

    enum class Kinds {
        Heads,         // PNG and JPEG: what the file server and the head folders hold
        UserPictures,  // also BMP and GIF, which the custom head picker offers
        ChatPictures,  // PNG, JPEG and GIF: what a chat shows inline
    };

    // "png", "jpeg", "bmp" or "gif" when the bytes start as such a file of
    // the accepted kinds, else empty.
    static QByteArray FormatOf(const QByteArray& bytes, Kinds kinds);
    // A decoded picture, or a null image and the reason in `error`.
    static QImage Decode(const QByteArray& bytes, QString* error, Kinds kinds = Kinds::Heads);
    static QImage Load(const QString& path, QString* error, Kinds kinds = Kinds::Heads);
    // A head picture file for showing: null when it is refused.
    static QPixmap Pixmap(const QString& path);
    // Writes the picture as PNG through a temporary file, so a failed write
    // leaves the file that was there before.
    static bool StorePng(const QImage& image, const QString& path);
};
