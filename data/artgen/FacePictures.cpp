#include <variant>

#include "ArtCatalog.h"
#include "ArtEmoji.h"
#include "ArtSkins.h"

namespace {

using F = ArtEmoji::Face;
using E = ArtEmoji::Eyes;
using M = ArtEmoji::Mouth;
using B = ArtEmoji::Brows;
using X = ArtEmoji::Extra;
using S = ArtEmoji::Skin;
using Sym = ArtEmoji::Symbol;

struct Entry {
    const char* name;  // UTF-8; the name travels in messages as "[name]"
    std::variant<F, Sym> picture;
};

// Faces are inserted into messages at 60 x 60; drawn at twice that so they
// stay sharp on HiDPI screens. The folder holds no @2x files: the client lists it.
constexpr int kSide = 60;
constexpr qreal kScale = 2.0;

const Entry kFaces[] = {
    {"微笑", F{E::Dots, M::Smile, B::None, X::Blush}},
    {"大笑", F{E::Happy, M::Laugh}},
    {"开心", F{E::Dots, M::Grin}},
    {"偷笑", F{E::Happy, M::SmallSmile, B::None, X::Blush}},
    {"害羞", F{E::Closed, M::SmallSmile, B::Worried, X::Blush}},
    {"喜欢", F{E::Hearts, M::Grin}},
    {"亲亲", F{E::Wink, M::Kiss, B::None, X::Blush}},
    {"眨眼", F{E::Wink, M::Smile}},
    {"调皮", F{E::Wink, M::Tongue}},
    {"酷", F{E::Shades, M::Smirk}},
    {"得意", F{E::HalfLid, M::Smirk, B::Raised}},
    {"惊讶", F{E::Wide, M::Oh, B::Raised}},
    {"疑问", F{E::Dots, M::Flat, B::Raised, X::Question}},
    {"难过", F{E::Dots, M::Frown, B::Worried}},
    {"流泪", F{E::Closed, M::Frown, B::Worried, X::Tears}},
    {"大哭", F{E::Squeeze, M::Wail, B::None, X::Streams}},
    {"生气", F{E::Dots, M::Frown, B::Angry, X::None, X::None, S::Angry}},
    {"晕", F{E::Spirals, M::Wavy}},
    {"睡觉", F{E::Closed, M::Oh, B::None, X::Sleep}},
    {"无语", F{E::HalfLid, M::Flat}},
    {"尴尬", F{E::Dots, M::Grimace, B::Worried, X::Sweat}},
    {"汗", F{E::Happy, M::Smile, B::None, X::Sweat}},
    {"崇拜", F{E::Stars, M::Grin}},
    {"闭嘴", F{E::Dots, M::Zip}},
    {"可怜", F{E::Pleading, M::Frown, B::Worried}},
    {"惊恐", F{E::Wide, M::Oh, B::Worried, X::None, X::None, S::Fright}},
    {"天使", F{E::Closed, M::Smile, B::None, X::Halo, X::Blush}},
    {"恶魔", F{E::Dots, M::Smirk, B::Angry, X::Horns, X::None, S::Devil}},
    {"爱心", Sym::Heart},
    {"心碎", Sym::BrokenHeart},
    {"点赞", Sym::ThumbsUp},
    {"太阳", Sym::Sun},
    {"月亮", Sym::Moon},
    {"星星", Sym::Star},
    {"啤酒", Sym::Beer},
    {"炸弹", Sym::Bomb},
};

}  // namespace

void addFacePictures(ArtCatalog& catalog) {
    for (const Entry& entry : kFaces) {
        const auto picture = entry.picture;
        catalog.addSingle(
            QStringLiteral("image/face/") + QString::fromUtf8(entry.name) + QStringLiteral(".png"),
            QSize(kSide, kSide), kScale, [picture](QPainter& p, const QSizeF& size) {
                p.scale(size.width() / 100.0, size.height() / 100.0);
                if (const auto* face = std::get_if<F>(&picture))
                    ArtEmoji::face(p, *face);
                else
                    ArtEmoji::symbol(p, std::get<Sym>(picture));
            });
    }
}
