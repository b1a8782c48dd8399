#include "ArtShapes.h"

#include <QLinearGradient>

#include "ArtTheme.h"

using namespace ArtTheme;

QPainterPath ArtShapes::rounded(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath ArtShapes::roundedTop(const QRectF& rect, qreal radius) {
    QPainterPath path = rounded(rect, radius);
    path.addRect(rect.adjusted(0, rect.height() / 2, 0, 0));
    return path.simplified();
}

QPainterPath ArtShapes::roundedBottom(const QRectF& rect, qreal radius) {
    QPainterPath path = rounded(rect, radius);
    path.addRect(rect.adjusted(0, 0, 0, -rect.height() / 2));
    return path.simplified();
}

void ArtShapes::band(QPainter& p, const QRectF& rect, const QPainterPath& clip) {
    p.save();
    p.setClipPath(clip);
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0.0, kBandTop);
    gradient.setColorAt(1.0, kBandBottom);
    p.fillRect(rect, gradient);
    // Large, barely visible circles give the flat band some depth.
    p.setClipRect(rect, Qt::IntersectClip);
    p.setPen(Qt::NoPen);
    const qreal h = rect.height();
    p.setBrush(QColor(255, 255, 255, 22));
    p.drawEllipse(QPointF(rect.right() - h * 0.35, rect.top() + h * 0.1), h * 0.95, h * 0.95);
    p.setBrush(QColor(255, 255, 255, 16));
    p.drawEllipse(QPointF(rect.right() - h * 1.25, rect.bottom() + h * 0.15), h * 0.7, h * 0.7);
    p.setBrush(QColor(255, 255, 255, 12));
    p.drawEllipse(QPointF(rect.left() + h * 0.2, rect.top() - h * 0.2), h * 0.6, h * 0.6);
    p.restore();
}

void ArtShapes::window(QPainter& p, const QSizeF& size, qreal bandHeight) {
    const QRectF whole(QPointF(0, 0), size);
    const QPainterPath shape = rounded(whole, kWindowRadius);
    p.fillPath(shape, kSurface);
    if (bandHeight > 0)
        band(p, QRectF(0, 0, size.width(), bandHeight), shape);
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 38), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(rounded(whole.adjusted(0.5, 0.5, -0.5, -0.5), kWindowRadius - 0.5));
    p.restore();
}

void ArtShapes::footer(QPainter& p, const QSizeF& size, qreal top) {
    const QRectF whole(QPointF(0, 0), size);
    p.save();
    p.setClipPath(rounded(whole.adjusted(1, 1, -1, -1), kWindowRadius - 1));
    p.fillRect(QRectF(0, top, size.width(), size.height() - top), kSurfaceAlt);
    p.restore();
    separator(p, 1, top, size.width() - 2);
}

void ArtShapes::separator(QPainter& p, qreal x, qreal y, qreal width) {
    p.fillRect(QRectF(x, y, width, 1), kSeparator);
}

void ArtShapes::button(QPainter& p, const QRectF& rect, ArtButton kind, ArtState state,
                       qreal radius) {
    QColor face;
    QColor edge(Qt::transparent);
    switch (kind) {
        case ArtButton::Primary:
            face = state == ArtState::Hover      ? kAccentHover
                   : state == ArtState::Press    ? kAccentPress
                   : state == ArtState::Disabled ? kAccentDisabled
                                                 : kAccent;
            break;
        case ArtButton::Success:
            face = state == ArtState::Hover      ? kSuccessHover
                   : state == ArtState::Press    ? kSuccessPress
                   : state == ArtState::Disabled ? kSuccess.lighter(140)
                                                 : kSuccess;
            break;
        case ArtButton::Danger:
            face = state == ArtState::Hover      ? kDangerHover
                   : state == ArtState::Press    ? kDangerPress
                   : state == ArtState::Disabled ? kDanger.lighter(125)
                                                 : kDanger;
            break;
        case ArtButton::Secondary:
            face = state == ArtState::Hover   ? kAccentSoft
                   : state == ArtState::Press ? kAccentSoftStrong
                                              : kSurface;
            edge = state == ArtState::Hover      ? kAccentHover
                   : state == ArtState::Press    ? kAccent
                   : state == ArtState::Disabled ? kSeparator
                                                 : kBorder;
            break;
        case ArtButton::Ghost:
            face = state == ArtState::Hover   ? QColor(0, 0, 0, 14)
                   : state == ArtState::Press ? QColor(0, 0, 0, 26)
                                              : QColor(Qt::transparent);
            break;
    }
    p.fillPath(rounded(rect, radius), face);
    if (edge.alpha() > 0) {
        p.save();
        p.setPen(QPen(edge, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(rounded(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5));
        p.restore();
    }
}

QColor ArtShapes::ink(ArtButton kind, ArtState state) {
    if (kind == ArtButton::Secondary) {
        if (state == ArtState::Disabled)
            return kIconLight;
        return state == ArtState::Normal ? kIcon : kAccent;
    }
    if (kind == ArtButton::Ghost)
        return state == ArtState::Normal ? kIcon : kAccent;
    return kSurface;
}

void ArtShapes::toolButton(QPainter& p, const QSizeF& size, ArtIcon icon, ArtState state,
                           qreal iconSide) {
    const QRectF whole(QPointF(0, 0), size);
    if (state == ArtState::Hover || state == ArtState::Press)
        p.fillPath(rounded(whole.adjusted(1, 1, -1, -1), kControlRadius),
                   state == ArtState::Hover ? kAccentSoft : kAccentSoftStrong);
    const QColor colour = state == ArtState::Normal  ? kIcon
                          : state == ArtState::Hover ? kAccent
                          : state == ArtState::Press ? kAccentPress
                                                     : kIconLight;
    const QRectF box((size.width() - iconSide) / 2, (size.height() - iconSide) / 2, iconSide,
                     iconSide);
    ArtIcons::draw(p, icon, box, colour);
}
