#include <QLinearGradient>
#include <QtMath>

#include "ArtEmoji.h"
#include "ArtPath.h"

namespace {

const QColor kRed(0xE0, 0x24, 0x5E);

void oval(QPainter& p, const QColor& colour, qreal x, qreal y, qreal rx, qreal ry) {
    QPainterPath path;
    path.addEllipse(QPointF(x, y), rx, ry);
    p.fillPath(path, colour);
}

void bigHeart(QPainter& p) {
    p.fillPath(ArtEmoji::heart(50, 52, 96), kRed);
    oval(p, QColor(255, 255, 255, 90), 30, 34, 7, 5);
}

void brokenHeart(QPainter& p) {
    const QPainterPath whole = ArtEmoji::heart(50, 52, 92);
    const QPainterPath crack = ArtPath::parse("M 50 28 L 44 42 L 55 52 L 45 64 L 52 76 L 50 90");
    QPainterPath left = crack;
    left.lineTo(0, 100);
    left.lineTo(0, 0);
    left.lineTo(50, 0);
    left.closeSubpath();
    p.save();
    p.translate(-4, 2);
    p.rotate(-6);
    p.fillPath(whole.intersected(left), kRed);
    p.restore();
    p.save();
    p.translate(5, -3);
    p.rotate(6);
    p.fillPath(whole.subtracted(left), kRed.darker(108));
    p.restore();
}

void thumbsUp(QPainter& p) {
    const QColor skin(0xFF, 0xCC, 0x4D);
    const QColor line(0xC9, 0x8E, 0x1E);
    p.fillPath(ArtPath::parse("M 40 44 L 47 18 C 49 9 62 10 61 21 L 59 40 Z"), skin);
    p.fillPath(ArtPath::parse("M 36 42 H 78 C 84 42 86 48 83 52 C 87 55 86 61 82 63 C 85 66 84 72 "
                              "79 74 C 82 78 79 85 74 85 H 36 Z"),
               skin);
    p.save();
    p.setPen(QPen(line, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(66, 52.5), QPointF(82, 52.5));
    p.drawLine(QPointF(66, 63.5), QPointF(81, 63.5));
    p.drawLine(QPointF(66, 74.5), QPointF(78, 74.5));
    p.restore();
    p.fillPath(ArtPath::parse("M 14 40 H 34 V 88 H 14 Z"), QColor(0x3A, 0x8E, 0xE6));
    oval(p, Qt::white, 24, 78, 3, 3);
}

void sun(QPainter& p) {
    const QColor ray(0xFF, 0xAC, 0x33);
    p.save();
    p.setPen(QPen(ray, 7, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        const qreal a = i * M_PI / 4;
        p.drawLine(QPointF(50 + 34 * qCos(a), 50 + 34 * qSin(a)),
                   QPointF(50 + 45 * qCos(a), 50 + 45 * qSin(a)));
    }
    p.restore();
    oval(p, QColor(0xF9, 0x8C, 0x1F), 50, 50, 26, 26);
    oval(p, QColor(0xFF, 0xB5, 0x3F), 47, 47, 21, 21);
}

void moon(QPainter& p) {
    QPainterPath full;
    full.addEllipse(QPointF(50, 50), 40, 40);
    QPainterPath bite;
    bite.addEllipse(QPointF(70, 38), 36, 36);
    p.fillPath(full.subtracted(bite), QColor(0xFF, 0xD9, 0x83));
    oval(p, QColor(0xF2, 0xBE, 0x5C), 26, 60, 5, 5);
    oval(p, QColor(0xF2, 0xBE, 0x5C), 38, 78, 3.5, 3.5);
}

void bigStar(QPainter& p) {
    p.save();
    p.setPen(QPen(QColor(0xFF, 0xAC, 0x33), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xFF, 0xC8, 0x3D));
    p.drawPath(ArtEmoji::star(50, 53, 40, 18));
    p.restore();
}

void beer(QPainter& p) {
    p.save();
    p.setPen(QPen(QColor(0xE8, 0x9A, 0x1C), 7));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(66, 42, 18, 28), 8, 8);
    p.restore();
    QLinearGradient glass(0, 30, 0, 92);
    glass.setColorAt(0, QColor(0xFF, 0xC2, 0x3D));
    glass.setColorAt(1, QColor(0xF4, 0x9A, 0x1A));
    p.fillPath(ArtPath::parse("M 22 30 H 70 V 86 C 70 90 67 92 63 92 H 29 C 25 92 22 90 22 86 Z"),
               glass);
    for (qreal x : {34.0, 46.0, 58.0})
        p.fillRect(QRectF(x - 1.5, 40, 3, 44), QColor(255, 255, 255, 70));
    const QColor foam(0xFF, 0xFB, 0xF2);
    for (const QPointF& c : {QPointF(26, 28), QPointF(38, 22), QPointF(51, 20), QPointF(63, 24),
                             QPointF(69, 31), QPointF(32, 34), QPointF(58, 33)})
        oval(p, foam, c.x(), c.y(), 10, 9);
}

void bomb(QPainter& p) {
    p.fillRect(QRectF(55, 22, 15, 14), QColor(0x5B, 0x62, 0x6B));
    p.save();
    p.setPen(QPen(QColor(0x8D, 0x6E, 0x4A), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(ArtPath::parse("M 63 22 C 64 12 72 8 80 12"));
    p.restore();
    p.fillPath(ArtEmoji::star(82, 11, 10, 4), QColor(0xFF, 0x8A, 0x1F));
    p.fillPath(ArtEmoji::star(82, 11, 5, 2.2), QColor(0xFF, 0xE0, 0x66));
    oval(p, QColor(0x2F, 0x34, 0x3B), 45, 60, 32, 32);
    oval(p, QColor(255, 255, 255, 70), 33, 47, 8, 6);
}

}  // namespace

void ArtEmoji::symbol(QPainter& p, Symbol symbol) {
    switch (symbol) {
        case Symbol::Heart:
            bigHeart(p);
            break;
        case Symbol::BrokenHeart:
            brokenHeart(p);
            break;
        case Symbol::ThumbsUp:
            thumbsUp(p);
            break;
        case Symbol::Sun:
            sun(p);
            break;
        case Symbol::Moon:
            moon(p);
            break;
        case Symbol::Star:
            bigStar(p);
            break;
        case Symbol::Beer:
            beer(p);
            break;
        case Symbol::Bomb:
            bomb(p);
            break;
    }
}
