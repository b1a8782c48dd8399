#include "support/KivSafeImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

QByteArray KivSafeImage::FormatOf(const QByteArray& bytes, Kinds kinds) {
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return QByteArrayLiteral("png");
    if (bytes.startsWith("\xff\xd8\xff"))
        return QByteArrayLiteral("jpeg");
    if (kinds == Kinds::Heads)
        return QByteArray();
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return QByteArrayLiteral("gif");
    if (kinds == Kinds::UserPictures && bytes.startsWith("BM"))
        return QByteArrayLiteral("bmp");
    return QByteArray();
}

namespace {

// Qt's GIF reader tells the first frame's size but paints every frame on the
// logical screen its header names, so the screen is what must fit the caps.
QSize GifScreenSize(const QByteArray& bytes) {
    if (bytes.size() < 10)
        return QSize();
    const auto word = [&bytes](int at) {
        return int(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8);
    };
    return QSize(word(6), word(8));
}

bool WithinCaps(QSize size) {
    return size.width() <= KivSafeImage::kMaxSide && size.height() <= KivSafeImage::kMaxSide &&
           qint64(size.width()) * size.height() <= KivSafeImage::kMaxPixels;
}

}  // namespace

QImage KivSafeImage::Decode(const QByteArray& bytes, QString* error, Kinds kinds) {
    if (bytes.isEmpty() || bytes.size() > kMaxFileBytes) {
        *error = bytes.isEmpty() ? tr("图片为空") : tr("图片文件过大");
        return QImage();
    }
    const QByteArray format = FormatOf(bytes, kinds);
    if (format.isEmpty()) {
        *error = tr("无法识别的图片");
        return QImage();
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    // The header tells the size without decoding the pixels.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        *error = tr("无法识别的图片");
        return QImage();
    }
    if (!WithinCaps(size) || (format == "gif" && !WithinCaps(GifScreenSize(bytes)))) {
        *error = tr("图片尺寸过大");
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull())
        *error = tr("无法识别的图片");
    return image;
}

QImage KivSafeImage::Load(const QString& path, QString* error, Kinds kinds) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("无法打开文件");
        return QImage();
    }
    if (file.size() > kMaxFileBytes) {
        *error = tr("图片文件过大");
        return QImage();
    }
    return Decode(file.readAll(), error, kinds);
}

QPixmap KivSafeImage::Pixmap(const QString& path) {
    QString error;
    return QPixmap::fromImage(Load(path, &error));
}

bool KivSafeImage::StorePng(const QImage& image, const QString& path) {
    if (image.isNull())
        return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG"))
        return false;
    return file.commit();
}
