#include "ArtIcons.h"

#include <QtMath>

#include "ArtPath.h"

namespace {

void stroke(QPainter& p, const char* path) {
    p.drawPath(ArtPath::parse(path));
}

void fill(QPainter& p, const QColor& colour, const char* path) {
    p.fillPath(ArtPath::parse(path), colour);
}

void dot(QPainter& p, const QColor& colour, qreal x, qreal y, qreal r) {
    QPainterPath path;
    path.addEllipse(QPointF(x, y), r, r);
    p.fillPath(path, colour);
}

void gear(QPainter& p, const QColor& colour, qreal weight) {
    p.drawEllipse(QPointF(12, 12), 6.2, 6.2);
    p.drawEllipse(QPointF(12, 12), 2.4, 2.4);
    QPen teeth(colour, weight + 1.2, Qt::SolidLine, Qt::FlatCap);
    p.setPen(teeth);
    for (int i = 0; i < 8; ++i) {
        const qreal a = qDegreesToRadians(22.5 + 45.0 * i);
        p.drawLine(QPointF(12 + 6.6 * qCos(a), 12 + 6.6 * qSin(a)),
                   QPointF(12 + 9.0 * qCos(a), 12 + 9.0 * qSin(a)));
    }
}

const char kHandset[] =
    "M 7.6 3.6 C 8.4 3.4 9.2 3.9 9.5 4.6 L 10.8 7.6 C 11.1 8.3 10.9 9.1 10.3 9.5 L 8.8 10.6 "
    "C 9.8 12.8 11.3 14.3 13.4 15.3 L 14.5 13.8 C 14.9 13.2 15.7 13 16.4 13.3 L 19.4 14.6 "
    "C 20.1 14.9 20.5 15.7 20.3 16.5 L 19.7 18.6 C 19.5 19.4 18.7 20 17.9 19.9 "
    "C 10.4 19.4 4.6 13.6 4.1 6.1 C 4 5.3 4.6 4.5 5.4 4.3 Z";

}  // namespace

void ArtIcons::draw(QPainter& p, ArtIcon icon, const QRectF& box, const QColor& colour,
                    qreal weight) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 24.0, box.height() / 24.0);
    p.setPen(QPen(colour, weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (icon) {
        case ArtIcon::Close:
            stroke(p, "M 6.5 6.5 L 17.5 17.5 M 17.5 6.5 L 6.5 17.5");
            break;
        case ArtIcon::Minimize:
            stroke(p, "M 6 12 H 18");
            break;
        case ArtIcon::Maximize:
            p.drawRoundedRect(QRectF(6.5, 6.5, 11, 11), 1.5, 1.5);
            break;
        case ArtIcon::User:
            p.drawEllipse(QPointF(12, 8.3), 3.9, 3.9);
            stroke(p, "M 4.5 20 C 4.5 15.6 7.9 13.6 12 13.6 C 16.1 13.6 19.5 15.6 19.5 20");
            break;
        case ArtIcon::Lock:
            p.drawRoundedRect(QRectF(5.5, 10.5, 13, 9.5), 2, 2);
            stroke(p, "M 8.5 10.5 V 8 C 8.5 5.9 10 4.5 12 4.5 C 14 4.5 15.5 5.9 15.5 8 V 10.5");
            dot(p, colour, 12, 15.2, 1.2);
            break;
        case ArtIcon::Eye:
            stroke(p,
                   "M 2.5 12 C 5 7.2 8.6 5.5 12 5.5 C 15.4 5.5 19 7.2 21.5 12 "
                   "C 19 16.8 15.4 18.5 12 18.5 C 8.6 18.5 5 16.8 2.5 12 Z");
            p.drawEllipse(QPointF(12, 12), 2.9, 2.9);
            break;
        case ArtIcon::EyeOff:
            stroke(p,
                   "M 2.5 12 C 5 7.2 8.6 5.5 12 5.5 C 15.4 5.5 19 7.2 21.5 12 "
                   "C 19 16.8 15.4 18.5 12 18.5 C 8.6 18.5 5 16.8 2.5 12 Z");
            p.drawEllipse(QPointF(12, 12), 2.9, 2.9);
            stroke(p, "M 4.5 4.5 L 19.5 19.5");
            break;
        case ArtIcon::ChevronDown:
            stroke(p, "M 7 9.5 L 12 14.5 L 17 9.5");
            break;
        case ArtIcon::ChevronUp:
            stroke(p, "M 7 14.5 L 12 9.5 L 17 14.5");
            break;
        case ArtIcon::ChevronLeft:
            stroke(p, "M 14.5 7 L 9.5 12 L 14.5 17");
            break;
        case ArtIcon::ChevronRight:
            stroke(p, "M 9.5 7 L 14.5 12 L 9.5 17");
            break;
        case ArtIcon::First:
            stroke(p, "M 7.5 7 V 17 M 16.5 7 L 11.5 12 L 16.5 17");
            break;
        case ArtIcon::Last:
            stroke(p, "M 16.5 7 V 17 M 7.5 7 L 12.5 12 L 7.5 17");
            break;
        case ArtIcon::Check:
            stroke(p, "M 5.5 12.5 L 10 17 L 18.5 7.5");
            break;
        case ArtIcon::Plus:
            stroke(p, "M 12 5 V 19 M 5 12 H 19");
            break;
        case ArtIcon::Gear:
            gear(p, colour, weight);
            break;
        case ArtIcon::Home:
            stroke(
                p,
                "M 3.5 11 L 12 4 L 20.5 11 M 6 9.2 V 19.5 H 18 V 9.2 M 10 19.5 V 14.5 H 14 V 19.5");
            break;
        case ArtIcon::UserPlus:
            p.drawEllipse(QPointF(9.5, 8.3), 3.6, 3.6);
            stroke(p, "M 2.8 20 C 2.8 15.8 5.8 13.6 9.5 13.6 C 13.2 13.6 16.2 15.8 16.2 20");
            stroke(p, "M 18.8 6.5 V 12.5 M 15.8 9.5 H 21.8");
            break;
        case ArtIcon::Search:
            p.drawEllipse(QPointF(10.5, 10.5), 6, 6);
            stroke(p, "M 15 15 L 20 20");
            break;
        case ArtIcon::Chat: {
            QPainterPath bubble;
            bubble.addRoundedRect(QRectF(3.5, 4.5, 17, 12.5), 4, 4);
            bubble = bubble.united(ArtPath::parse("M 7.5 16 L 6.5 20.5 L 12.5 16.5 Z"));
            p.drawPath(bubble);
            dot(p, colour, 8.5, 10.75, 1.15);
            dot(p, colour, 12, 10.75, 1.15);
            dot(p, colour, 15.5, 10.75, 1.15);
            break;
        }
        case ArtIcon::Crown:
            stroke(p, "M 4.5 17 L 3.8 8 L 8.5 11.8 L 12 5.8 L 15.5 11.8 L 20.2 8 L 19.5 17 Z");
            stroke(p, "M 5 20.3 H 19");
            break;
        case ArtIcon::Phone:
            fill(p, colour, kHandset);
            break;
        case ArtIcon::HangUp:
            fill(p, colour,
                 "M 2.6 13.6 C 2.6 10.6 6.8 8 12 8 C 17.2 8 21.4 10.6 21.4 13.6 L 21 15.7 "
                 "C 20.9 16.5 20.1 17 19.3 16.9 L 16.2 16.4 C 15.4 16.3 14.9 15.6 14.9 14.9 V 12.9 "
                 "C 13 12.3 11 12.3 9.1 12.9 V 14.9 C 9.1 15.6 8.6 16.3 7.8 16.4 L 4.7 16.9 "
                 "C 3.9 17 3.1 16.5 3 15.7 Z");
            break;
        case ArtIcon::Video:
            p.drawRoundedRect(QRectF(3, 7, 12.5, 10), 2.2, 2.2);
            stroke(p, "M 15.5 10.6 L 20.8 7.6 V 16.4 L 15.5 13.4 Z");
            break;
        case ArtIcon::Smile:
            p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
            dot(p, colour, 9, 10, 1.15);
            dot(p, colour, 15, 10, 1.15);
            stroke(p, "M 8.6 14 C 9.8 16.3 14.2 16.3 15.4 14");
            break;
        case ArtIcon::Gift:
            p.drawRect(QRectF(5, 11, 14, 9));
            p.drawRoundedRect(QRectF(3.5, 7.5, 17, 3.5), 1, 1);
            stroke(p, "M 12 7.5 V 20");
            stroke(p, "M 12 7.5 C 10.5 3.8 6.5 4.2 7.8 7.5 M 12 7.5 C 13.5 3.8 17.5 4.2 16.2 7.5");
            break;
        case ArtIcon::Clock:
            p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
            stroke(p, "M 12 7.5 V 12 L 15 14");
            break;
        case ArtIcon::Font:
            stroke(p, "M 5.5 19 L 12 5 L 18.5 19 M 8.2 13.5 H 15.8");
            break;
        case ArtIcon::Picture:
            p.drawRoundedRect(QRectF(3.5, 5, 17, 14), 2, 2);
            stroke(p, "M 4 17 L 9 12 L 13 16 L 15.5 13.5 L 20 18");
            dot(p, colour, 15.5, 9.2, 1.5);
            break;
        case ArtIcon::Crop:
            stroke(p, "M 7 3 V 17 H 21 M 3 7 H 17 V 21");
            break;
        case ArtIcon::Shake:
            p.drawRoundedRect(QRectF(8, 4, 8, 16), 1.6, 1.6);
            stroke(p, "M 5 9 V 15 M 19 9 V 15 M 2.5 10.5 V 13.5 M 21.5 10.5 V 13.5");
            break;
        case ArtIcon::Bell:
            stroke(p,
                   "M 6.5 16.5 V 11 C 6.5 7.7 9 5.2 12 5.2 C 15 5.2 17.5 7.7 17.5 11 V 16.5 "
                   "L 19 18 H 5 Z M 10 20.5 H 14");
            break;
        case ArtIcon::Gamepad:
            stroke(p,
                   "M 7 7.5 H 17 C 19.5 7.5 21 9.5 21.3 12 L 21.8 15.5 C 22.1 17.8 19.6 19 18 "
                   "17.4 L 15.8 15.2 H 8.2 L 6 17.4 C 4.4 19 1.9 17.8 2.2 15.5 L 2.7 12 "
                   "C 3 9.5 4.5 7.5 7 7.5 Z");
            stroke(p, "M 7.5 10 V 13.6 M 5.7 11.8 H 9.3");
            dot(p, colour, 15.6, 10.6, 1.1);
            dot(p, colour, 17.6, 12.8, 1.1);
            break;
        case ArtIcon::Download:
            stroke(p, "M 12 4 V 15 M 7.5 10.5 L 12 15 L 16.5 10.5 M 5 19.5 H 19");
            break;
        case ArtIcon::Upload:
            stroke(p, "M 12 15 V 4 M 7.5 8.5 L 12 4 L 16.5 8.5 M 5 19.5 H 19");
            break;
        case ArtIcon::Play:
            fill(p, colour,
                 "M 8.5 5.8 C 8.5 5 9.3 4.6 10 5 L 18.6 11.1 C 19.2 11.5 19.2 12.5 18.6 12.9 L 10 "
                 "19 C 9.3 19.4 8.5 19 8.5 18.2 Z");
            break;
        case ArtIcon::Pencil:
            stroke(p,
                   "M 4.5 19.5 L 5.3 15.6 L 15.4 5.5 C 16.2 4.7 17.5 4.7 18.3 5.5 L 18.5 5.7 "
                   "C 19.3 6.5 19.3 7.8 18.5 8.6 L 8.4 18.7 Z M 13.8 7.1 L 16.9 10.2");
            break;
        case ArtIcon::Bold:
            p.setPen(QPen(colour, weight * 1.35, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            stroke(p,
                   "M 7.5 5 V 19 M 7.5 5 H 12.5 C 15 5 16.4 6.5 16.4 8.5 C 16.4 10.5 15 12 12.5 "
                   "12 H 7.5 M 7.5 12 H 13.3 C 15.9 12 17.4 13.6 17.4 15.5 C 17.4 17.5 15.9 19 "
                   "13.3 19 H 7.5");
            break;
        case ArtIcon::Italic:
            stroke(p, "M 10.5 5 H 17.5 M 6.5 19 H 13.5 M 14 5 L 10 19");
            break;
        case ArtIcon::Underline:
            stroke(
                p,
                "M 7.5 4.5 V 11 C 7.5 14 9.5 16 12 16 C 14.5 16 16.5 14 16.5 11 V 4.5 M 6 20 H 18");
            break;
        case ArtIcon::Sparkle:
            fill(p, colour,
                 "M 12 2.5 C 12.8 8.2 15.8 11.2 21.5 12 C 15.8 12.8 12.8 15.8 12 21.5 C 11.2 15.8 "
                 "8.2 12.8 2.5 12 C 8.2 11.2 11.2 8.2 12 2.5 Z");
            break;
        case ArtIcon::Heart:
            fill(p, colour,
                 "M 12 20.3 C 6 15.8 3 12.6 3 8.9 C 3 6.2 5 4.2 7.6 4.2 C 9.4 4.2 11 5.2 12 6.9 "
                 "C 13 5.2 14.6 4.2 16.4 4.2 C 19 4.2 21 6.2 21 8.9 C 21 12.6 18 15.8 12 20.3 Z");
            break;
    }
    p.restore();
}
