#include <QLinearGradient>

#include "ArtAvatar.h"
#include "ArtPath.h"

namespace {

void fill(QPainter& p, const QColor& colour, const char* path) {
    p.fillPath(ArtPath::parse(path), colour);
}

void ellipse(QPainter& p, const QColor& colour, qreal x, qreal y, qreal rx, qreal ry) {
    QPainterPath path;
    path.addEllipse(QPointF(x, y), rx, ry);
    p.fillPath(path, colour);
}

// Hair that falls behind the head and shoulders.
void hairBehind(QPainter& p, const ArtAvatar::Person& who) {
    switch (who.style) {
        case ArtAvatar::Hair::Bob:
            fill(p, who.hair,
                 "M 27 48 C 25 27 37 19 50 19 C 63 19 75 27 73 48 L 75 66 C 68 71 62 69 59 64 "
                 "L 41 64 C 38 69 32 71 25 66 Z");
            break;
        case ArtAvatar::Hair::Long:
            fill(p, who.hair,
                 "M 27 46 C 26 26 38 18 50 18 C 62 18 74 26 73 46 L 76 84 C 68 88 60 86 57 80 "
                 "L 43 80 C 40 86 32 88 24 84 Z");
            break;
        case ArtAvatar::Hair::Bun:
            ellipse(p, who.hair, 50, 17, 10, 9);
            break;
        case ArtAvatar::Hair::Curly:
            for (const QPointF& c :
                 {QPointF(30, 40), QPointF(70, 40), QPointF(28, 52), QPointF(72, 52)})
                ellipse(p, who.hair, c.x(), c.y(), 8, 8);
            break;
        default:
            break;
    }
}

// Hair and hats on top of the head.
void hairFront(QPainter& p, const ArtAvatar::Person& who) {
    switch (who.style) {
        case ArtAvatar::Hair::Short:
        case ArtAvatar::Hair::Bun:
            fill(p, who.hair,
                 "M 30.5 45 C 29 28 39 22 50 22 C 61 22 71 28 69.5 45 C 66 37 58 33 50 33 "
                 "C 42 33 34 37 30.5 45 Z");
            break;
        case ArtAvatar::Hair::Bob:
        case ArtAvatar::Hair::Long:
            fill(p, who.hair,
                 "M 30.5 44 C 31 30 39 24 50 24 C 61 24 69 30 69.5 44 C 63 37 56 33 47 33 "
                 "C 40 34 34 38 30.5 44 Z");
            break;
        case ArtAvatar::Hair::Spiky:
            fill(p, who.hair,
                 "M 30.5 45 C 28.5 34 32 27 38 24 C 38 20 42 18 45.5 20 C 47.5 16 53 16 55 19.5 "
                 "C 58.5 17.5 63.5 19.5 63 23.5 C 68.5 26.5 71 33 69.5 45 C 64 38 57 34 50 34 "
                 "C 43 34 36 38 30.5 45 Z");
            fill(p, who.hair, "M 48 21 C 48.5 14.5 54 12 58 13.5 C 54.5 15 52.5 17.5 52.5 21.5 Z");
            break;
        case ArtAvatar::Hair::SidePart:
            fill(p, who.hair,
                 "M 30.5 47 C 28 29 39 21 51 21 C 63 21 72 29 69.5 46 C 68 41 66 37 63 35 "
                 "C 53 37 42 35 37 31 C 34 35 32 40 30.5 47 Z");
            break;
        case ArtAvatar::Hair::Curly:
            for (const QPointF& c :
                 {QPointF(33, 33), QPointF(41, 26), QPointF(50, 23), QPointF(59, 26),
                  QPointF(67, 33), QPointF(70, 42), QPointF(30, 42)})
                ellipse(p, who.hair, c.x(), c.y(), 8.5, 8.5);
            break;
        case ArtAvatar::Hair::Beanie:
            fill(p, who.hair, "M 29 42 C 28 26 38 17 50 17 C 62 17 72 26 71 42 Z");
            p.fillPath(ArtPath::parse("M 28 42 H 72 V 35 C 60 32 40 32 28 35 Z"),
                       who.hair.darker(118));
            ellipse(p, who.hair.darker(118), 50, 15, 5, 5);
            break;
    }
}

void face(QPainter& p, const ArtAvatar::Person& who) {
    const QColor ink(0x3B, 0x33, 0x3A);
    ellipse(p, ink, 43, 48, 2.3, 2.6);
    ellipse(p, ink, 57, 48, 2.3, 2.6);
    QColor blush(0xFF, 0x7F, 0x8E);
    blush.setAlpha(70);
    ellipse(p, blush, 37.5, 55, 4, 2.4);
    ellipse(p, blush, 62.5, 55, 4, 2.4);
    p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(ArtPath::parse("M 45 56.5 C 47.5 59.5 52.5 59.5 55 56.5"));
    if (who.extra == ArtAvatar::Extra::Freckles) {
        QColor dots = who.skin.darker(135);
        for (const QPointF& d :
             {QPointF(36, 52), QPointF(39, 53.5), QPointF(61, 52), QPointF(64, 53.5)})
            ellipse(p, dots, d.x(), d.y(), 0.8, 0.8);
    }
}

void extra(QPainter& p, const ArtAvatar::Person& who) {
    switch (who.extra) {
        case ArtAvatar::Extra::Glasses: {
            const QColor frame(0x2F, 0x35, 0x42);
            p.setPen(QPen(frame, 2.0));
            p.setBrush(QColor(255, 255, 255, 60));
            p.drawRoundedRect(QRectF(35.5, 42.5, 12, 10), 3.5, 3.5);
            p.drawRoundedRect(QRectF(52.5, 42.5, 12, 10), 3.5, 3.5);
            p.drawLine(QPointF(47.5, 46), QPointF(52.5, 46));
            break;
        }
        case ArtAvatar::Extra::Headphones: {
            const QColor band(0x2F, 0x35, 0x42);
            p.setPen(QPen(band, 3.2, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawPath(ArtPath::parse("M 28 48 C 26 26 36 16 50 16 C 64 16 74 26 72 48"));
            p.setPen(Qt::NoPen);
            p.setBrush(who.shirt);
            p.drawRoundedRect(QRectF(24, 42, 9, 15), 4, 4);
            p.drawRoundedRect(QRectF(67, 42, 9, 15), 4, 4);
            break;
        }
        case ArtAvatar::Extra::Bow:
            fill(p, QColor(0xF0, 0x5D, 0x7E),
                 "M 62 25 L 72 19 C 75 18 76 20 75 23 L 73 29 L 75 35 C 76 38 74 39 72 38 "
                 "L 62 32 Z");
            ellipse(p, QColor(0xD9, 0x46, 0x6A), 63, 28.5, 3, 3);
            break;
        default:
            break;
    }
}

}  // namespace

void ArtAvatar::ground(QPainter& p, const QColor& colour) {
    QLinearGradient gradient(0, 0, 100, 100);
    gradient.setColorAt(0, colour.lighter(106));
    gradient.setColorAt(1, colour.darker(104));
    p.fillRect(QRectF(0, 0, 100, 100), gradient);
}

void ArtAvatar::person(QPainter& p, const Person& who) {
    ground(p, who.ground);
    hairBehind(p, who);
    fill(p, who.shirt, "M 14 101 C 14 81 29 72 50 72 C 71 72 86 81 86 101 Z");
    fill(p, who.shirt.darker(112), "M 42 72.5 C 44 78 56 78 58 72.5 C 55 71.8 45 71.8 42 72.5 Z");
    p.fillRect(QRectF(44, 60, 12, 14), who.skin.darker(108));
    ellipse(p, who.skin, 31.5, 49, 3.8, 4.8);
    ellipse(p, who.skin, 68.5, 49, 3.8, 4.8);
    ellipse(p, who.skin, 50, 46, 19, 21);
    face(p, who);
    hairFront(p, who);
    extra(p, who);
}

void ArtAvatar::placeholder(QPainter& p) {
    ground(p, QColor(0xE6, 0xEA, 0xF0));
    const QColor figure(0xB8, 0xC0, 0xCC);
    fill(p, figure, "M 16 101 C 16 80 31 71 50 71 C 69 71 84 80 84 101 Z");
    ellipse(p, figure, 50, 44, 17, 18.5);
}
