#include "support/KivPicture.h"

#include <QFileInfo>
#include <QGuiApplication>

QString KivPicture::DoubleSizePath(const QString& path) {
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot <= slash + 1)
        return path + QStringLiteral("@2x");
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

QPixmap KivPicture::Load(const QString& path) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    if (ratio > 1.0) {
        const QString larger = DoubleSizePath(path);
        if (QFileInfo(larger).isFile()) {
            QPixmap picture(larger);
            if (!picture.isNull()) {
                picture.setDevicePixelRatio(2.0);
                return picture;
            }
        }
    }
    return QPixmap(path);
}

QSize KivPicture::ShownSize(const QPixmap& picture) {
    return (QSizeF(picture.size()) / picture.devicePixelRatio()).toSize();
}
