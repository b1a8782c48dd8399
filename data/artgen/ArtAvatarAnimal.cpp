#include "ArtAvatar.h"
#include "ArtPath.h"

namespace {

const QColor kInk(0x33, 0x2C, 0x2A);
const QColor kPink(0xF4, 0x9A, 0xA8);
const QColor kWhite(0xFF, 0xFD, 0xFA);

void fill(QPainter& p, const QColor& colour, const char* path) {
    p.fillPath(ArtPath::parse(path), colour);
}

void ellipse(QPainter& p, const QColor& colour, qreal x, qreal y, qreal rx, qreal ry,
             qreal angle = 0) {
    p.save();
    p.translate(x, y);
    p.rotate(angle);
    QPainterPath path;
    path.addEllipse(QPointF(0, 0), rx, ry);
    p.fillPath(path, colour);
    p.restore();
}

void line(QPainter& p, const QColor& colour, qreal width, const char* path) {
    p.save();
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(ArtPath::parse(path));
    p.restore();
}

// Two shiny eyes at the same height.
void eyes(QPainter& p, qreal left, qreal right, qreal y, qreal r = 3.0) {
    for (qreal x : {left, right}) {
        ellipse(p, kInk, x, y, r, r * 1.15);
        ellipse(p, Qt::white, x + r * 0.35, y - r * 0.4, r * 0.35, r * 0.35);
    }
}

void blush(QPainter& p, qreal left, qreal right, qreal y) {
    QColor c(0xFF, 0x7F, 0x8E);
    c.setAlpha(80);
    ellipse(p, c, left, y, 4.2, 2.5);
    ellipse(p, c, right, y, 4.2, 2.5);
}

void smile(QPainter& p, qreal y) {
    line(p, kInk, 1.8,
         QStringLiteral("M 45 %1 C 46.5 %2 49 %2 50 %1 C 51 %2 53.5 %2 55 %1")
             .arg(y)
             .arg(y + 3.2)
             .toLatin1()
             .constData());
}

void cat(QPainter& p) {
    const QColor fur(0xF2, 0xA6, 0x5A);
    fill(p, fur, "M 25 46 L 27 17 L 47 31 Z M 75 46 L 73 17 L 53 31 Z");
    fill(p, kPink, "M 29.5 38 L 30.5 23.5 L 41 31 Z M 70.5 38 L 69.5 23.5 L 59 31 Z");
    ellipse(p, fur, 50, 57, 28, 25);
    line(p, fur.darker(125), 2.4, "M 50 34 V 41 M 43 35.5 L 44.5 41 M 57 35.5 L 55.5 41");
    ellipse(p, kWhite, 45, 65, 7, 5.5);
    ellipse(p, kWhite, 55, 65, 7, 5.5);
    eyes(p, 39, 61, 53);
    fill(p, kPink, "M 47 59.5 H 53 L 50 62.8 Z");
    smile(p, 63);
    line(p, QColor(0x8A, 0x6A, 0x55), 1.0,
         "M 30 61 L 20 59 M 30 65 L 21 66.5 M 70 61 L 80 59 M 70 65 L 79 66.5");
    blush(p, 33, 67, 60);
}

void bear(QPainter& p) {
    const QColor fur(0xA9, 0x74, 0x4F);
    ellipse(p, fur, 28, 32, 11, 11);
    ellipse(p, fur, 72, 32, 11, 11);
    ellipse(p, fur.lighter(130), 28, 32, 6, 6);
    ellipse(p, fur.lighter(130), 72, 32, 6, 6);
    ellipse(p, fur, 50, 57, 29, 27);
    ellipse(p, QColor(0xE8, 0xC9, 0xA6), 50, 67, 13, 10);
    ellipse(p, kInk, 50, 62, 5, 3.5);
    smile(p, 66.5);
    eyes(p, 39, 61, 52);
    blush(p, 32, 68, 61);
}

void panda(QPainter& p) {
    const QColor black(0x2E, 0x2E, 0x36);
    ellipse(p, black, 27, 31, 10, 10);
    ellipse(p, black, 73, 31, 10, 10);
    ellipse(p, kWhite, 50, 56, 29, 27);
    ellipse(p, black, 38.5, 52, 7, 9.5, 35);
    ellipse(p, black, 61.5, 52, 7, 9.5, -35);
    ellipse(p, Qt::white, 39, 51.5, 2.6, 2.9);
    ellipse(p, Qt::white, 61, 51.5, 2.6, 2.9);
    ellipse(p, black, 50, 62, 4, 3);
    smile(p, 65.5);
    blush(p, 33, 67, 63);
}

void fox(QPainter& p) {
    const QColor fur(0xF0, 0x8A, 0x3C);
    fill(p, fur, "M 22 48 L 24 13 L 45 31 Z M 78 48 L 76 13 L 55 31 Z");
    fill(p, QColor(0x5A, 0x3A, 0x2A), "M 27 38 L 28 22 L 38 31 Z M 73 38 L 72 22 L 62 31 Z");
    ellipse(p, fur, 50, 50, 28, 21);
    fill(p, fur, "M 22.5 50 C 26 68 40 81 50 83 C 60 81 74 68 77.5 50 Z");
    fill(p, kWhite,
         "M 23 53 C 32 60 43 62 50 72 C 57 62 68 60 77 53 C 74 69 61 82 50 83 "
         "C 39 82 26 69 23 53 Z");
    ellipse(p, kInk, 50, 73, 3.6, 2.8);
    eyes(p, 39, 61, 52, 2.8);
    blush(p, 31, 69, 60);
}

void rabbit(QPainter& p) {
    const QColor fur(0xF7, 0xF3, 0xF1);
    ellipse(p, fur, 38, 26, 7.5, 20, -8);
    ellipse(p, fur, 62, 26, 7.5, 20, 8);
    ellipse(p, kPink, 38, 27, 3.6, 14, -8);
    ellipse(p, kPink, 62, 27, 3.6, 14, 8);
    ellipse(p, fur, 50, 62, 26, 23);
    eyes(p, 40, 60, 58);
    fill(p, kPink, "M 47.5 64 H 52.5 L 50 66.8 Z");
    smile(p, 67);
    blush(p, 34, 66, 66);
}

void owl(QPainter& p) {
    const QColor feathers(0x8B, 0x6A, 0x52);
    fill(p, feathers, "M 22 40 L 24 20 L 38 30 Z M 78 40 L 76 20 L 62 30 Z");
    ellipse(p, feathers, 50, 58, 30, 31);
    ellipse(p, QColor(0xE9, 0xD8, 0xC4), 50, 74, 17, 13);
    for (qreal x : {38.0, 62.0}) {
        ellipse(p, kWhite, x, 51, 11.5, 11.5);
        ellipse(p, QColor(0xF5, 0xB8, 0x3D), x, 51, 7, 7);
        ellipse(p, kInk, x, 51, 4, 4);
        ellipse(p, Qt::white, x + 1.5, 49.5, 1.3, 1.3);
    }
    fill(p, QColor(0xF2, 0x9E, 0x38), "M 46 60 H 54 L 50 67 Z");
}

void penguin(QPainter& p) {
    const QColor body(0x2F, 0x3A, 0x4A);
    ellipse(p, body, 50, 57, 30, 30);
    ellipse(p, kWhite, 41, 59, 13, 14);
    ellipse(p, kWhite, 59, 59, 13, 14);
    ellipse(p, kWhite, 50, 70, 17, 13);
    eyes(p, 42, 58, 56);
    ellipse(p, QColor(0xF2, 0x9E, 0x38), 50, 64, 5, 3.4);
    blush(p, 35, 65, 64);
}

void frog(QPainter& p) {
    const QColor skin(0x7B, 0xC6, 0x7B);
    ellipse(p, skin, 34, 42, 11.5, 11.5);
    ellipse(p, skin, 66, 42, 11.5, 11.5);
    ellipse(p, skin, 50, 62, 31, 23);
    ellipse(p, kWhite, 34, 41, 7.5, 7.5);
    ellipse(p, kWhite, 66, 41, 7.5, 7.5);
    eyes(p, 34, 66, 42, 3.8);
    line(p, QColor(0x3C, 0x7A, 0x46), 2.0, "M 35 66 C 42 73 58 73 65 66");
    blush(p, 29, 71, 63);
}

void koala(QPainter& p) {
    const QColor fur(0xA3, 0xAD, 0xB8);
    ellipse(p, fur, 26, 40, 14, 14);
    ellipse(p, fur, 74, 40, 14, 14);
    ellipse(p, QColor(0xE6, 0xE9, 0xEE), 26, 41, 8, 8);
    ellipse(p, QColor(0xE6, 0xE9, 0xEE), 74, 41, 8, 8);
    ellipse(p, fur, 50, 58, 26, 25);
    ellipse(p, QColor(0x45, 0x48, 0x52), 50, 62, 6, 8);
    eyes(p, 39, 61, 53, 2.7);
    line(p, kInk, 1.6, "M 47 73.5 C 48.5 75 51.5 75 53 73.5");
    blush(p, 34, 66, 64);
}

void chick(QPainter& p) {
    const QColor down(0xFF, 0xD5, 0x4F);
    fill(p, down, "M 48 33 C 44 24 48 21 51 26 C 52 20 58 22 54 32 Z");
    ellipse(p, down, 50, 59, 28, 27);
    eyes(p, 40, 60, 54);
    fill(p, QColor(0xF2, 0x8C, 0x28), "M 45 61 L 50 57 L 55 61 L 50 65.5 Z");
    blush(p, 33, 67, 63);
}

void dog(QPainter& p) {
    const QColor fur(0xE0, 0xB0, 0x7C);
    const QColor ears(0x8F, 0x5E, 0x3B);
    ellipse(p, fur, 50, 55, 25, 25);
    ellipse(p, ears, 28, 52, 8.5, 17, 18);
    ellipse(p, ears, 72, 52, 8.5, 17, -18);
    ellipse(p, ears.lighter(115), 60, 49, 7, 6.5, -10);
    ellipse(p, kWhite, 50, 67, 12, 9);
    eyes(p, 41, 59, 51);
    ellipse(p, kInk, 50, 62, 5, 3.6);
    fill(p, QColor(0xF0, 0x7A, 0x8A), "M 47.5 68 H 52.5 V 71 C 52.5 74 47.5 74 47.5 71 Z");
    smile(p, 66);
}

void tiger(QPainter& p) {
    const QColor fur(0xF6, 0xA0, 0x42);
    const QColor stripe(0x3B, 0x2A, 0x20);
    ellipse(p, fur, 29, 33, 9.5, 9.5);
    ellipse(p, fur, 71, 33, 9.5, 9.5);
    ellipse(p, kWhite, 29, 34, 5, 5);
    ellipse(p, kWhite, 71, 34, 5, 5);
    ellipse(p, fur, 50, 57, 29, 26);
    fill(p, stripe,
         "M 46 33 L 50 43 L 54 33 Z M 38 35 L 42 41 L 44 34 Z M 62 35 L 58 41 L 56 34 Z");
    line(p, stripe, 2.2, "M 22 53 L 29 55 M 22 60 L 29 60 M 78 53 L 71 55 M 78 60 L 71 60");
    ellipse(p, kWhite, 44.5, 66, 8, 6);
    ellipse(p, kWhite, 55.5, 66, 8, 6);
    eyes(p, 39, 61, 52);
    fill(p, QColor(0xD9, 0x6A, 0x6A), "M 46.5 60 H 53.5 L 50 63.5 Z");
    smile(p, 64);
}

}  // namespace

void ArtAvatar::animal(QPainter& p, Animal animal, const QColor& colour) {
    ground(p, colour);
    switch (animal) {
        case Animal::Cat:
            cat(p);
            break;
        case Animal::Bear:
            bear(p);
            break;
        case Animal::Panda:
            panda(p);
            break;
        case Animal::Fox:
            fox(p);
            break;
        case Animal::Rabbit:
            rabbit(p);
            break;
        case Animal::Owl:
            owl(p);
            break;
        case Animal::Penguin:
            penguin(p);
            break;
        case Animal::Frog:
            frog(p);
            break;
        case Animal::Koala:
            koala(p);
            break;
        case Animal::Chick:
            chick(p);
            break;
        case Animal::Dog:
            dog(p);
            break;
        case Animal::Tiger:
            tiger(p);
            break;
    }
}
