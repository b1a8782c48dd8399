#include "ArtGift.h"

#include <QLinearGradient>
#include <QtMath>

#include "ArtEmoji.h"
#include "ArtPath.h"

namespace {

void fill(QPainter& p, const QColor& colour, const char* path) {
    p.fillPath(ArtPath::parse(path), colour);
}

void line(QPainter& p, const QColor& colour, qreal width, const char* path) {
    p.save();
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(ArtPath::parse(path));
    p.restore();
}

void oval(QPainter& p, const QColor& colour, qreal x, qreal y, qreal rx, qreal ry) {
    QPainterPath path;
    path.addEllipse(QPointF(x, y), rx, ry);
    p.fillPath(path, colour);
}

void rose(QPainter& p) {
    line(p, QColor(0x4C, 0xAF, 0x50), 5, "M 50 94 C 47 78 53 66 50 50");
    fill(p, QColor(0x66, 0xBB, 0x6A), "M 50 76 C 38 73 31 65 28 57 C 39 56 47 62 50 76 Z");
    fill(p, QColor(0x66, 0xBB, 0x6A), "M 51 68 C 60 64 67 58 71 50 C 61 50 54 56 51 68 Z");
    fill(p, QColor(0xD9, 0x2B, 0x47),
         "M 26 24 C 22 44 34 58 50 58 C 66 58 78 44 74 24 C 64 32 36 32 26 24 Z");
    oval(p, QColor(0xEE, 0x4B, 0x64), 50, 26, 21, 13);
    line(p, QColor(0xB0, 0x1A, 0x36), 3,
         "M 42 28 C 42 19 58 19 58 27 C 58 33 47 34 47 28 C 47 25 52 24 53 27");
    line(p, QColor(0xB0, 0x1A, 0x36), 2.5, "M 32 36 C 38 46 62 46 68 36");
}

void lollipop(QPainter& p) {
    p.fillPath(ArtPath::parse("M 47 58 H 53 V 92 C 53 95 47 95 47 92 Z"), QColor(0xF1, 0xE4, 0xCE));
    oval(p, QColor(0xFF, 0x7E, 0xB3), 50, 38, 29, 29);
    QPainterPath swirl;
    swirl.moveTo(50, 38);
    for (int i = 1; i <= 80; ++i) {
        const qreal t = i / 80.0;
        const qreal a = t * 5.0 * M_PI;
        swirl.lineTo(50 + 26 * t * qCos(a), 38 + 26 * t * qSin(a));
    }
    p.save();
    p.setPen(QPen(QColor(255, 255, 255, 220), 5.5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(swirl);
    p.restore();
}

void coffee(QPainter& p) {
    line(p, QColor(0xB8, 0xC0, 0xCC), 3.5,
         "M 36 30 C 32 24 40 20 36 12 M 48 30 C 44 24 52 20 48 12 M 60 30 C 56 24 64 20 60 12");
    oval(p, QColor(0xE0, 0xE6, 0xEC), 47, 86, 33, 6.5);
    line(p, QColor(0x3A, 0x9F, 0xB0), 6.5, "M 70 50 C 84 50 84 68 68 68");
    fill(p, QColor(0x4A, 0xB8, 0xC9),
         "M 22 40 H 72 V 60 C 72 75 61 85 47 85 C 33 85 22 75 22 60 Z");
    p.fillRect(QRectF(22, 50, 50, 6), QColor(255, 255, 255, 90));
    oval(p, QColor(0x7A, 0x4A, 0x2A), 47, 40, 25, 5.5);
}

void iceCream(QPainter& p) {
    fill(p, QColor(0xE8, 0xB5, 0x6A), "M 31 50 L 50 95 L 69 50 Z");
    p.save();
    p.setClipPath(ArtPath::parse("M 31 50 L 50 95 L 69 50 Z"));
    line(p, QColor(0xC9, 0x8E, 0x3C), 2,
         "M 30 56 L 64 90 M 30 70 L 56 96 M 42 50 L 72 80 "
         "M 70 56 L 36 90 M 70 70 L 44 96 M 58 50 L 28 80");
    p.restore();
    oval(p, QColor(0x9B, 0xE3, 0xC4), 50, 46, 21, 12);
    oval(p, QColor(0x9B, 0xE3, 0xC4), 50, 40, 19, 13);
    oval(p, QColor(0xFF, 0x9E, 0xB5), 50, 26, 16, 14);
    oval(p, QColor(255, 255, 255, 110), 44, 21, 4, 3);
    oval(p, QColor(0xE0, 0x24, 0x5E), 52, 10, 5.5, 5.5);
}

void balloon(QPainter& p) {
    line(p, QColor(0x9A, 0xA0, 0xA6), 2, "M 50 72 C 44 80 56 86 48 96");
    fill(p, QColor(0xC7, 0x1C, 0x50), "M 46 74 H 54 L 50 69 Z");
    p.fillPath(ArtEmoji::heart(50, 40, 82), QColor(0xE8, 0x36, 0x6A));
    oval(p, QColor(255, 255, 255, 110), 32, 26, 6, 8);
}

void cake(QPainter& p) {
    oval(p, QColor(0xE0, 0xE6, 0xEC), 50, 88, 40, 7);
    p.fillPath(ArtPath::parse("M 18 60 H 82 V 84 C 82 87 80 88 77 88 H 23 C 20 88 18 87 18 84 Z"),
               QColor(0xF4, 0xC2, 0xD2));
    fill(p, QColor(0xFF, 0xF6, 0xF8),
         "M 18 60 H 82 V 67 C 78 71 74 66 70 70 C 66 74 62 66 58 70 C 54 74 50 66 46 70 "
         "C 42 74 38 66 34 70 C 30 74 26 66 22 70 C 20 72 18 70 18 68 Z");
    p.fillPath(ArtPath::parse("M 30 40 H 70 V 60 H 30 Z"), QColor(0xFD, 0xE2, 0xEA));
    p.fillRect(QRectF(30, 40, 40, 5), QColor(0xFF, 0xF6, 0xF8));
    p.fillRect(QRectF(47, 22, 6, 18), QColor(0x6F, 0xB6, 0xF0));
    p.fillRect(QRectF(47, 27, 6, 3), Qt::white);
    p.fillRect(QRectF(47, 33, 6, 3), Qt::white);
    p.fillPath(ArtEmoji::drop(50, 14, 11), QColor(0xFF, 0xA7, 0x26));
    p.fillPath(ArtEmoji::drop(50, 16, 6), QColor(0xFF, 0xE0, 0x66));
}

void giftBox(QPainter& p) {
    p.fillRect(QRectF(20, 46, 60, 44), QColor(0x3A, 0x8E, 0xE6));
    p.fillRect(QRectF(16, 34, 68, 14), QColor(0x2C, 0x76, 0xC7));
    p.fillRect(QRectF(45, 34, 10, 56), QColor(0xF5, 0xB8, 0x3D));
    line(p, QColor(0xF5, 0xB8, 0x3D), 6,
         "M 50 34 C 42 18 24 20 32 32 C 36 36 44 35 50 34 M 50 34 C 58 18 76 20 68 32 "
         "C 64 36 56 35 50 34");
}

void trophy(QPainter& p) {
    const QColor gold(0xF5, 0xB8, 0x3D);
    line(p, gold.darker(112), 6, "M 31 24 C 14 24 16 46 34 46 M 69 24 C 86 24 84 46 66 46");
    QLinearGradient shine(30, 0, 70, 0);
    shine.setColorAt(0, QColor(0xFF, 0xD4, 0x66));
    shine.setColorAt(1, QColor(0xE8, 0x9E, 0x1C));
    p.fillPath(ArtPath::parse("M 29 12 H 71 V 34 C 71 50 61 58 50 58 C 39 58 29 50 29 34 Z"),
               shine);
    p.fillPath(ArtEmoji::star(50, 33, 10, 4.4), QColor(255, 255, 255, 200));
    p.fillRect(QRectF(45, 57, 10, 15), gold.darker(112));
    p.fillPath(ArtPath::parse("M 33 72 H 67 V 80 H 33 Z"), gold);
    p.fillPath(ArtPath::parse("M 27 80 H 73 V 90 H 27 Z"), QColor(0x8D, 0x6E, 0x4A));
}

void ring(QPainter& p) {
    p.save();
    p.setPen(QPen(QColor(0xF0, 0xB4, 0x3C), 7));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(50, 68), 23, 23);
    p.restore();
    fill(p, QColor(0x9B, 0xE1, 0xF5), "M 34 28 L 42 16 H 58 L 66 28 L 50 48 Z");
    fill(p, QColor(0xC9, 0xF0, 0xFB), "M 42 16 L 46 28 H 54 L 58 16 Z");
    line(p, QColor(255, 255, 255, 200), 1.6, "M 34 28 H 66 M 46 28 L 50 48 M 54 28 L 50 48");
    p.fillPath(ArtEmoji::star(76, 14, 8, 2.5), QColor(0xFF, 0xD4, 0x66));
    p.fillPath(ArtEmoji::star(24, 40, 5, 1.6), QColor(0xFF, 0xD4, 0x66));
}

}  // namespace

void ArtGift::draw(QPainter& p, int price) {
    switch (price) {
        case 1:
            rose(p);
            break;
        case 2:
            lollipop(p);
            break;
        case 3:
            coffee(p);
            break;
        case 4:
            iceCream(p);
            break;
        case 5:
            balloon(p);
            break;
        case 6:
            cake(p);
            break;
        case 7:
            giftBox(p);
            break;
        case 8:
            trophy(p);
            break;
        default:
            ring(p);
            break;
    }
}
