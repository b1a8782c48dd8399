#include "ArtBrand.h"

#include <QLinearGradient>

#include "ArtIcons.h"
#include "ArtPath.h"
#include "ArtShapes.h"
#include "ArtTheme.h"

namespace {

// Letter outlines on a unit cap height, as stroke centre lines; the stroke is
// 0.17 of the cap height with round ends. x-height 0.66.
const char kL[] = "M 0.085 0.085 V 0.915 H 0.52";
const char kU[] =
    "M 0.085 0.425 V 0.72 C 0.085 0.8276 0.1724 0.915 0.28 0.915 C 0.3876 0.915 0.475 0.8276 "
    "0.475 0.72 V 0.425 M 0.475 0.425 V 0.915";
const char kM[] =
    "M 0.085 0.915 V 0.425 M 0.085 0.5975 C 0.085 0.5023 0.1623 0.425 0.2575 0.425 "
    "C 0.3527 0.425 0.43 0.5023 0.43 0.5975 V 0.915 M 0.43 0.5975 C 0.43 0.5023 0.5073 0.425 "
    "0.6025 0.425 C 0.6977 0.425 0.775 0.5023 0.775 0.5975 V 0.915";
constexpr qreal kStroke = 0.17;
constexpr qreal kGap = 0.15;
constexpr qreal kWidthL = 0.605;
constexpr qreal kWidthU = 0.56;
constexpr qreal kWidthM = 0.86;
constexpr qreal kWidthO = 0.66;

}  // namespace

void ArtBrand::appIcon(QPainter& p, const QRectF& box) {
    const qreal s = box.width();
    QLinearGradient gradient(box.topLeft(), box.bottomRight());
    gradient.setColorAt(0.0, QColor(0x5F, 0xB3, 0xF6));
    gradient.setColorAt(1.0, ArtTheme::kAccentPress);
    p.fillPath(ArtShapes::rounded(box, s * 0.23), gradient);
    mark(p, box.adjusted(s * 0.1, s * 0.1, -s * 0.1, -s * 0.1), Qt::white, ArtTheme::kAccent);
}

void ArtBrand::mark(QPainter& p, const QRectF& box, const QColor& bubble, const QColor& spark) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 24.0, box.height() / 24.0);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(2.5, 3.5, 19, 15), 7.5, 7.5);
    shape = shape.united(ArtPath::parse("M 6 16 L 4.6 21.4 L 11.5 17.6 Z"));
    p.fillPath(shape, bubble);
    p.restore();
    const QRectF sparkBox(box.left() + box.width() * 0.3, box.top() + box.height() * 0.21,
                          box.width() * 0.4, box.height() * 0.4);
    ArtIcons::draw(p, ArtIcon::Sparkle, sparkBox, spark);
}

qreal ArtBrand::wordmarkWidth(qreal capHeight) {
    return capHeight * (kWidthL + kWidthU + kWidthM + kWidthO + 3 * kGap);
}

qreal ArtBrand::wordmark(QPainter& p, const QPointF& origin, qreal h, const QColor& colour) {
    p.save();
    p.translate(origin.x(), origin.y() - h);
    p.scale(h, h);
    p.setPen(QPen(colour, kStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(ArtPath::parse(kL));
    p.translate(kWidthL + kGap, 0);
    p.drawPath(ArtPath::parse(kU));
    p.translate(kWidthU + kGap, 0);
    p.drawPath(ArtPath::parse(kM));
    p.translate(kWidthM + kGap, 0);
    p.drawEllipse(QPointF(kWidthO / 2, 1 - kWidthO / 2), kWidthO / 2 - kStroke / 2,
                  kWidthO / 2 - kStroke / 2);
    p.restore();
    return wordmarkWidth(h);
}
