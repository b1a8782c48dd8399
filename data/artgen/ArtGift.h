#pragma once

#include <QPainter>

// Priced gift pictures on a 100 x 100 grid; the price picks the picture.
class ArtGift {
public:
    static constexpr int kFirstPrice = 1;
    static constexpr int kLastPrice = 9;
    static void draw(QPainter& painter, int price);
};
