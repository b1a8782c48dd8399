#pragma once

#include <QColor>
#include <QPainter>

// Stock head pictures, drawn on a 100 x 100 grid: friendly people and
// animals on soft coloured grounds. Each fills its square, so it works both
// cut round and shown square.
class ArtAvatar {
public:
    enum class Hair { Short, Bob, Bun, Spiky, SidePart, Long, Curly, Beanie };
    enum class Extra { None, Glasses, Headphones, Bow, Freckles };
    struct Person {
        QColor ground;
        QColor skin;
        QColor hair;
        Hair style;
        QColor shirt;
        Extra extra;
    };
    enum class Animal {
        Cat,
        Bear,
        Panda,
        Fox,
        Rabbit,
        Owl,
        Penguin,
        Frog,
        Koala,
        Chick,
        Dog,
        Tiger
    };

    static void ground(QPainter& painter, const QColor& colour);
    static void person(QPainter& painter, const Person& person);
    static void animal(QPainter& painter, Animal animal, const QColor& ground);
    // The neutral head shown before a user has one.
    static void placeholder(QPainter& painter);
};
