#include "ArtEmoji.h"

#include <QRadialGradient>
#include <QtMath>

#include "ArtPath.h"

namespace {

const QColor kInk(0x66, 0x45, 0x00);
const QColor kTongue(0xE8, 0x59, 0x6E);
const QColor kTear(0x5D, 0xAD, 0xEC);
const QColor kHeartRed(0xE0, 0x24, 0x5E);

void stroke(QPainter& p, const char* path, qreal width = 5.0, const QColor& colour = kInk) {
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

void skin(QPainter& p, ArtEmoji::Skin skin) {
    QRadialGradient gradient(QPointF(42, 36), 60);
    switch (skin) {
        case ArtEmoji::Skin::Sunny:
            gradient.setColorAt(0, QColor(0xFF, 0xD9, 0x6A));
            gradient.setColorAt(1, QColor(0xF7, 0xB5, 0x35));
            break;
        case ArtEmoji::Skin::Angry:
            gradient.setColorAt(0, QColor(0xFF, 0x9A, 0x7A));
            gradient.setColorAt(1, QColor(0xE8, 0x4E, 0x3C));
            break;
        case ArtEmoji::Skin::Fright:
            gradient = QRadialGradient(QPointF(50, 90), 90);
            gradient.setColorAt(0.35, QColor(0xFF, 0xD2, 0x5A));
            gradient.setColorAt(0.85, QColor(0x8C, 0xC2, 0xF0));
            break;
        case ArtEmoji::Skin::Devil:
            gradient.setColorAt(0, QColor(0xB6, 0x8C, 0xEB));
            gradient.setColorAt(1, QColor(0x85, 0x57, 0xC9));
            break;
    }
    QPainterPath circle;
    circle.addEllipse(QPointF(50, 52), 45, 45);
    p.fillPath(circle, gradient);
}

void spiral(QPainter& p, qreal cx, qreal cy) {
    QPainterPath path;
    path.moveTo(cx, cy);
    for (int i = 1; i <= 60; ++i) {
        const qreal t = i / 60.0;
        const qreal angle = t * 4.2 * M_PI;
        path.lineTo(cx + 8.5 * t * qCos(angle), cy + 8.5 * t * qSin(angle));
    }
    p.save();
    p.setPen(QPen(kInk, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.restore();
}

void eyes(QPainter& p, ArtEmoji::Eyes eyes) {
    using E = ArtEmoji::Eyes;
    switch (eyes) {
        case E::Dots:
            oval(p, kInk, 35, 44, 5.5, 7.5);
            oval(p, kInk, 65, 44, 5.5, 7.5);
            break;
        case E::Happy:
            stroke(p, "M 26 47 Q 35 35 44 47 M 56 47 Q 65 35 74 47", 5.5);
            break;
        case E::Closed:
            stroke(p, "M 26 43 Q 35 52 44 43 M 56 43 Q 65 52 74 43", 5.0);
            break;
        case E::Wink:
            oval(p, kInk, 35, 44, 5.5, 7.5);
            stroke(p, "M 56 46 Q 65 36 74 46", 5.5);
            break;
        case E::Hearts:
            p.fillPath(ArtEmoji::heart(34, 44, 24), kHeartRed);
            p.fillPath(ArtEmoji::heart(66, 44, 24), kHeartRed);
            break;
        case E::Stars:
            p.fillPath(ArtEmoji::star(34, 44, 13, 5.8), QColor(0xF2, 0x6B, 0x2A));
            p.fillPath(ArtEmoji::star(66, 44, 13, 5.8), QColor(0xF2, 0x6B, 0x2A));
            break;
        case E::Crosses:
            stroke(p, "M 29 38 L 41 50 M 41 38 L 29 50 M 59 38 L 71 50 M 71 38 L 59 50", 5.0);
            break;
        case E::Spirals:
            spiral(p, 34, 44);
            spiral(p, 66, 44);
            break;
        case E::Shades:
            p.fillPath(ArtPath::parse("M 17 36 H 83 V 41 C 83 52 77 58 68 58 C 59 58 54 52 53 45 "
                                      "H 47 C 46 52 41 58 32 58 C 23 58 17 52 17 41 Z"),
                       QColor(0x29, 0x2F, 0x33));
            stroke(p, "M 24 43 L 30 39 M 60 43 L 66 39", 2.5, QColor(255, 255, 255, 150));
            break;
        case E::Pleading:
            for (qreal x : {34.0, 66.0}) {
                oval(p, Qt::white, x, 45, 11, 12);
                oval(p, kInk, x + 1, 47, 8.5, 9.5);
                oval(p, Qt::white, x + 4, 43, 3, 3);
                oval(p, Qt::white, x - 2.5, 51, 1.6, 1.6);
            }
            break;
        case E::HalfLid:
            p.save();
            p.setClipRect(QRectF(0, 44, 100, 20));
            oval(p, kInk, 35, 44, 6, 7.5);
            oval(p, kInk, 65, 44, 6, 7.5);
            p.restore();
            stroke(p, "M 26 44 H 44 M 56 44 H 74", 4.0);
            break;
        case E::Wide:
            for (qreal x : {35.0, 65.0}) {
                oval(p, Qt::white, x, 43, 9.5, 10.5);
                oval(p, kInk, x, 44, 5, 5.5);
            }
            break;
        case E::Squeeze:
            stroke(p, "M 27 37 L 41 44 L 27 51 M 73 37 L 59 44 L 73 51", 5.0);
            break;
    }
}

void brows(QPainter& p, ArtEmoji::Brows brows) {
    switch (brows) {
        case ArtEmoji::Brows::None:
            break;
        case ArtEmoji::Brows::Angry:
            stroke(p, "M 24 28 L 43 35 M 76 28 L 57 35", 5.0);
            break;
        case ArtEmoji::Brows::Worried:
            stroke(p, "M 25 33 L 42 26 M 75 33 L 58 26", 4.5);
            break;
        case ArtEmoji::Brows::Raised:
            stroke(p, "M 26 27 Q 35 20 44 26 M 56 26 Q 65 20 74 27", 4.5);
            break;
    }
}

// An open mouth: dark inside, optional teeth along the top, tongue below.
void openMouth(QPainter& p, const QPainterPath& shape, bool teeth) {
    p.fillPath(shape, kInk);
    p.save();
    p.setClipPath(shape);
    const QRectF box = shape.boundingRect();
    if (teeth)
        p.fillRect(QRectF(box.left(), box.top(), box.width(), box.height() * 0.24), Qt::white);
    oval(p, kTongue, box.center().x(), box.bottom(), box.width() * 0.3, box.height() * 0.32);
    p.restore();
}

void mouth(QPainter& p, ArtEmoji::Mouth mouth) {
    using M = ArtEmoji::Mouth;
    switch (mouth) {
        case M::Smile:
            stroke(p, "M 30 63 Q 50 82 70 63");
            break;
        case M::SmallSmile:
            stroke(p, "M 38 67 Q 50 76 62 67");
            break;
        case M::Grin:
            openMouth(p, ArtPath::parse("M 27 59 H 73 C 73 74 63 83 50 83 C 37 83 27 74 27 59 Z"),
                      true);
            break;
        case M::Laugh:
            openMouth(p, ArtPath::parse("M 22 55 H 78 C 78 74 66 88 50 88 C 34 88 22 74 22 55 Z"),
                      true);
            break;
        case M::Flat:
            stroke(p, "M 36 69 H 64");
            break;
        case M::Frown:
            stroke(p, "M 33 76 Q 50 60 67 76");
            break;
        case M::Oh:
            oval(p, kInk, 50, 71, 8, 10);
            break;
        case M::Kiss:
            stroke(p, "M 46 61 Q 57 63 51 68.5 Q 58 72 46 77", 4.5);
            p.fillPath(ArtEmoji::heart(72, 70, 16), kHeartRed);
            break;
        case M::Tongue:
            stroke(p, "M 30 61 Q 50 76 70 61");
            p.fillPath(ArtPath::parse("M 43 67 H 59 V 74 C 59 84 43 84 43 74 Z"), kTongue);
            stroke(p, "M 51 69 V 76", 2.0, kTongue.darker(130));
            break;
        case M::Smirk:
            stroke(p, "M 36 69 Q 56 72 68 59");
            break;
        case M::Zip:
            stroke(p, "M 29 67 H 71", 4.0);
            stroke(p,
                   "M 34 63 V 71 M 40 63 V 71 M 46 63 V 71 M 52 63 V 71 M 58 63 V 71 M 64 63 V 71",
                   2.4);
            p.fillRect(QRectF(69, 63, 7, 11), QColor(0x9A, 0xA0, 0xA6));
            break;
        case M::Wavy:
            stroke(p, "M 29 69 Q 34 62 39.5 69 Q 45 76 50 69 Q 55 62 60.5 69 Q 66 76 71 69", 4.5);
            break;
        case M::Grimace: {
            const QRectF teeth(28, 60, 44, 17);
            p.save();
            p.setPen(QPen(kInk, 3.0));
            p.setBrush(Qt::white);
            p.drawRoundedRect(teeth, 8, 8);
            p.drawLine(QPointF(29, 68.5), QPointF(71, 68.5));
            for (qreal x : {39.0, 50.0, 61.0})
                p.drawLine(QPointF(x, 61), QPointF(x, 76));
            p.restore();
            break;
        }
        case M::Wail:
            openMouth(p, ArtPath::parse("M 31 84 C 31 69 39 61 50 61 C 61 61 69 69 69 84 Z"),
                      false);
            break;
    }
}

void extra(QPainter& p, ArtEmoji::Extra extra) {
    using X = ArtEmoji::Extra;
    switch (extra) {
        case X::None:
            break;
        case X::Blush: {
            QColor blush(0xFF, 0x6F, 0x8A);
            blush.setAlpha(120);
            oval(p, blush, 22, 60, 8, 4.5);
            oval(p, blush, 78, 60, 8, 4.5);
            break;
        }
        case X::Tears:
            p.fillPath(ArtEmoji::drop(27, 60, 12), kTear);
            p.fillPath(ArtEmoji::drop(73, 60, 12), kTear);
            break;
        case X::Streams: {
            QColor stream = kTear;
            stream.setAlpha(220);
            p.fillPath(ArtPath::parse("M 28 50 H 40 V 92 C 36 95 32 95 28 92 Z"), stream);
            p.fillPath(ArtPath::parse("M 60 50 H 72 V 92 C 68 95 64 95 60 92 Z"), stream);
            break;
        }
        case X::Sweat:
            p.fillPath(ArtEmoji::drop(80, 24, 16), QColor(0x8C, 0xCB, 0xF5));
            oval(p, Qt::white, 78, 27, 1.8, 2.6);
            break;
        case X::Sleep:
            stroke(p, "M 66 10 H 76 L 66 20 H 76", 3.5, QColor(0x3A, 0x8E, 0xE6));
            stroke(p, "M 82 2 H 89 L 82 9 H 89", 2.8, QColor(0x3A, 0x8E, 0xE6));
            break;
        case X::Question:
            stroke(p, "M 75 11 C 75 2 90 2 90 11 C 90 18 82.5 18 82.5 25", 4.5,
                   QColor(0x3A, 0x8E, 0xE6));
            oval(p, QColor(0x3A, 0x8E, 0xE6), 82.5, 32, 3, 3);
            break;
        case X::Halo: {
            p.save();
            p.setPen(QPen(QColor(0xF5, 0xB8, 0x3D), 4.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(50, 8), 24, 5.5);
            p.restore();
            break;
        }
        case X::Horns:
            p.fillPath(ArtPath::parse("M 14 34 C 10 22 12 10 18 4 C 20 14 26 20 34 22 Z "
                                      "M 86 34 C 90 22 88 10 82 4 C 80 14 74 20 66 22 Z"),
                       QColor(0x5E, 0x35, 0x9E));
            break;
    }
}

}  // namespace

QPainterPath ArtEmoji::heart(qreal cx, qreal cy, qreal side) {
    QPainterPath path = ArtPath::parse(
        "M 12 20.3 C 6 15.8 3 12.6 3 8.9 C 3 6.2 5 4.2 7.6 4.2 C 9.4 4.2 11 5.2 12 6.9 "
        "C 13 5.2 14.6 4.2 16.4 4.2 C 19 4.2 21 6.2 21 8.9 C 21 12.6 18 15.8 12 20.3 Z");
    QTransform t;
    t.translate(cx - side / 2, cy - side / 2 - side * 0.02);
    t.scale(side / 24.0, side / 24.0);
    return t.map(path);
}

QPainterPath ArtEmoji::star(qreal cx, qreal cy, qreal outer, qreal inner) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 == 0 ? outer : inner;
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(cx + r * qCos(angle), cy + r * qSin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

QPainterPath ArtEmoji::drop(qreal cx, qreal cy, qreal side) {
    QPainterPath path = ArtPath::parse(
        "M 0 -1 C 0.3 -0.5 0.6 -0.15 0.6 0.25 C 0.6 0.6 0.32 0.85 0 0.85 C -0.32 0.85 -0.6 0.6 "
        "-0.6 0.25 C -0.6 -0.15 -0.3 -0.5 0 -1 Z");
    QTransform t;
    t.translate(cx, cy);
    t.scale(side / 2, side / 2);
    return t.map(path);
}

void ArtEmoji::face(QPainter& p, const Face& face) {
    if (face.extra == Extra::Horns || face.extra2 == Extra::Horns)
        extra(p, Extra::Horns);
    skin(p, face.skin);
    for (Extra x : {face.extra, face.extra2}) {
        if (x == Extra::Blush || x == Extra::Streams)
            extra(p, x);
    }
    brows(p, face.brows);
    eyes(p, face.eyes);
    mouth(p, face.mouth);
    for (Extra x : {face.extra, face.extra2}) {
        if (x != Extra::Blush && x != Extra::Streams && x != Extra::Horns)
            extra(p, x);
    }
}
