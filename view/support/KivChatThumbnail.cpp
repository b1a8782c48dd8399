#include "support/KivChatThumbnail.h"

#include <QFile>

#include <algorithm>

#include "support/KivSafeImage.h"

QImage KivChatThumbnail::Make(const QString& path, QString* error, int maxSide) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("无法打开图片文件");
        return QImage();
    }
    if (file.size() > KivSafeImage::kMaxChatPictureBytes) {
        *error = tr("图片文件过大");
        return QImage();
    }
    const QImage picture =
        KivSafeImage::Decode(file.readAll(), error, KivSafeImage::Kinds::ChatPictures);
    if (picture.isNull())
        return QImage();
    const int side = std::max(1, maxSide);
    if (picture.width() <= side && picture.height() <= side)
        return picture;
    // A long thin strip still keeps one pixel across, not none.
    QSize fitted = picture.size().scaled(side, side, Qt::KeepAspectRatio);
    fitted = fitted.expandedTo(QSize(1, 1));
    return picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
