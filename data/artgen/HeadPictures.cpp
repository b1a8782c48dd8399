#include <variant>

#include "ArtAvatar.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"

namespace {

using Hair = ArtAvatar::Hair;
using Extra = ArtAvatar::Extra;
using Animal = ArtAvatar::Animal;

struct AnimalHead {
    Animal animal;
    QColor ground;
};
using Head = std::variant<ArtAvatar::Person, AnimalHead>;

// Heads are shown at up to 100 px; twice that keeps them sharp on HiDPI
// screens. The folder holds no @2x files: the client lists it file by file.
constexpr qreal kScale = 2.0;

QColor rgb(unsigned value) {
    return QColor::fromRgb(value);
}

std::vector<Head> heads() {
    const QColor light = rgb(0xF9D7BF), tan = rgb(0xF1C3A1), warm = rgb(0xE0A982),
                 deep = rgb(0xC68863), dark = rgb(0x8D5A3E);
    const QColor brown = rgb(0x5A3A2A), black = rgb(0x24222A), chestnut = rgb(0x8A5230),
                 blonde = rgb(0xDDA946), auburn = rgb(0xB5562E), silver = rgb(0x9A9AA6),
                 plum = rgb(0x6B4E9B);
    using P = ArtAvatar::Person;
    return {
        P{rgb(0xD5F0E3), tan, brown, Hair::SidePart, rgb(0x5BBF8F), Extra::None},
        P{rgb(0xCFE3FA), light, black, Hair::Short, rgb(0x3A8EE6), Extra::None},
        P{rgb(0xFAD4D8), light, chestnut, Hair::Bob, rgb(0xE86A8F), Extra::Bow},
        AnimalHead{Animal::Cat, rgb(0xFCE8C8)},
        P{rgb(0xE3DAF7), warm, black, Hair::Bun, rgb(0x9B7BE0), Extra::None},
        AnimalHead{Animal::Bear, rgb(0xD5F0E3)},
        P{rgb(0xFFF1B8), tan, blonde, Hair::Spiky, rgb(0xF08A5D), Extra::None},
        P{rgb(0xCDEFF3), deep, black, Hair::Curly, rgb(0x4AB8C9), Extra::None},
        AnimalHead{Animal::Panda, rgb(0xCFE3FA)},
        P{rgb(0xF6D9C9), light, auburn, Hair::Long, rgb(0x6C7A89), Extra::Freckles},
        P{rgb(0xDDE6C8), dark, black, Hair::Beanie, rgb(0xF2B441), Extra::None},
        AnimalHead{Animal::Fox, rgb(0xCDEFF3)},
        P{rgb(0xCFE3FA), tan, brown, Hair::Short, rgb(0x6C7A89), Extra::Glasses},
        P{rgb(0xF3D6EE), warm, plum, Hair::Bob, rgb(0x4AB8C9), Extra::None},
        AnimalHead{Animal::Rabbit, rgb(0xFAD4D8)},
        P{rgb(0xFCE8C8), deep, brown, Hair::SidePart, rgb(0x3A8EE6), Extra::Headphones},
        AnimalHead{Animal::Owl, rgb(0xDDE6C8)},
        P{rgb(0xD5F0E3), light, silver, Hair::Short, rgb(0x9B7BE0), Extra::Glasses},
        AnimalHead{Animal::Penguin, rgb(0xCDEFF3)},
        P{rgb(0xE3DAF7), tan, black, Hair::Long, rgb(0xE86A8F), Extra::None},
        AnimalHead{Animal::Frog, rgb(0xFFF1B8)},
        P{rgb(0xFAD4D8), dark, black, Hair::Curly, rgb(0xF2B441), Extra::Bow},
        AnimalHead{Animal::Koala, rgb(0xE3DAF7)},
        P{rgb(0xCDEFF3), light, blonde, Hair::Bun, rgb(0x5BBF8F), Extra::Freckles},
        AnimalHead{Animal::Chick, rgb(0xCFE3FA)},
        P{rgb(0xF6D9C9), warm, chestnut, Hair::Spiky, rgb(0x6C7A89), Extra::Headphones},
        AnimalHead{Animal::Dog, rgb(0xD5F0E3)},
        AnimalHead{Animal::Tiger, rgb(0xF3D6EE)},
    };
}

}  // namespace

void addHeadPictures(ArtCatalog& catalog) {
    catalog.addSingle(QStringLiteral("image/head/head.png"), QSize(100, 100), kScale,
                      [](QPainter& p, const QSizeF&) { ArtAvatar::placeholder(p); });
    const std::vector<Head> all = heads();
    for (size_t i = 0; i < all.size(); ++i) {
        const Head head = all[i];
        catalog.addSingle(QStringLiteral("image/head/head_%1.png").arg(i), QSize(100, 100), kScale,
                          [head](QPainter& p, const QSizeF&) {
                              if (const auto* person = std::get_if<ArtAvatar::Person>(&head))
                                  ArtAvatar::person(p, *person);
                              else
                                  ArtAvatar::animal(p, std::get<AnimalHead>(head).animal,
                                                    std::get<AnimalHead>(head).ground);
                          });
    }
}
