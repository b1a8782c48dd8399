#pragma once

#include <QColor>
#include <QPainter>

// Emoticons on a 100 x 100 grid: a round face built from eyes, brows, a mouth
// and at most two extras, plus a few symbols.
class ArtEmoji {
public:
    enum class Eyes {
        Dots,
        Happy,
        Closed,
        Wink,
        Hearts,
        Stars,
        Crosses,
        Spirals,
        Shades,
        Pleading,
        HalfLid,
        Wide,
        Squeeze
    };
    enum class Mouth {
        Smile,
        SmallSmile,
        Grin,
        Laugh,
        Flat,
        Frown,
        Oh,
        Kiss,
        Tongue,
        Smirk,
        Zip,
        Wavy,
        Grimace,
        Wail
    };
    enum class Brows { None, Angry, Worried, Raised };
    enum class Extra { None, Blush, Tears, Streams, Sweat, Sleep, Question, Halo, Horns };
    enum class Skin { Sunny, Angry, Fright, Devil };
    struct Face {
        Eyes eyes;
        Mouth mouth;
        Brows brows = Brows::None;
        Extra extra = Extra::None;
        Extra extra2 = Extra::None;
        Skin skin = Skin::Sunny;
    };
    enum class Symbol { Heart, BrokenHeart, ThumbsUp, Sun, Moon, Star, Beer, Bomb };

    static void face(QPainter& painter, const Face& face);
    static void symbol(QPainter& painter, Symbol symbol);

    // Shared with the gift pictures.
    static QPainterPath heart(qreal cx, qreal cy, qreal side);
    static QPainterPath star(qreal cx, qreal cy, qreal outer, qreal inner);
    static QPainterPath drop(qreal cx, qreal cy, qreal side);
};
