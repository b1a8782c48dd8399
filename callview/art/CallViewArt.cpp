#include "CallViewArt.h"

#include <QPainter>
#include <QPainterPath>

namespace CallViewArt {

namespace {

// Normal, hover and pressed: dim, bright, and the warm red of "end".
const QColor kStateColours[3] = {QColor(190, 196, 204), QColor(255, 255, 255), QColor(232, 86, 72)};

QImage Transparent(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

QImage CloseSprite() {
    QImage image = Transparent(33, 11);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int state = 0; state < 3; ++state) {
        QPen pen(kStateColours[state], 1.8, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        const qreal left = state * 11 + 1.5;
        painter.drawLine(QPointF(left, 1.5), QPointF(left + 8, 9.5));
        painter.drawLine(QPointF(left, 9.5), QPointF(left + 8, 1.5));
    }
    return image;
}

QImage MinimizeSprite() {
    QImage image = Transparent(33, 2);
    QPainter painter(&image);
    for (int state = 0; state < 3; ++state) {
        painter.fillRect(state * 11 + 1, 0, 9, 2, kStateColours[state]);
    }
    return image;
}

QImage Logo() {
    QImage image = Transparent(21, 23);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient badge(0, 0, 0, 23);
    badge.setColorAt(0, QColor(72, 196, 180));
    badge.setColorAt(1, QColor(30, 140, 150));
    painter.setPen(Qt::NoPen);
    painter.setBrush(badge);
    painter.drawRoundedRect(QRectF(0.5, 1.5, 20, 20), 5, 5);
    // Camera body and lens.
    painter.setBrush(QColor(250, 250, 250));
    painter.drawRoundedRect(QRectF(3.5, 7.5, 10, 8), 1.5, 1.5);
    QPainterPath lens;
    lens.moveTo(13.5, 10.5);
    lens.lineTo(17.5, 8);
    lens.lineTo(17.5, 15);
    lens.lineTo(13.5, 12.5);
    lens.closeSubpath();
    painter.drawPath(lens);
    painter.setBrush(QColor(40, 150, 158));
    painter.drawEllipse(QPointF(8.5, 11.5), 2, 2);
    return image;
}

}  // namespace CallViewArt
