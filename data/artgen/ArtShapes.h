#pragma once

#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

#include "ArtIcons.h"

enum class ArtButton { Primary, Secondary, Success, Danger, Ghost };
enum class ArtState { Normal, Hover, Press, Disabled };

// The building blocks of the look: window surfaces with their coloured
// header band, flat buttons and small badges.
class ArtShapes {
public:
    static QPainterPath rounded(const QRectF& rect, qreal radius);
    // Rounded only at the top (or only at the bottom) corners.
    static QPainterPath roundedTop(const QRectF& rect, qreal radius);
    static QPainterPath roundedBottom(const QRectF& rect, qreal radius);

    // The accent gradient with its soft light circles, clipped to `clip`.
    static void band(QPainter& painter, const QRectF& rect, const QPainterPath& clip);
    // A whole window: white rounded surface, a thin outline and a header
    // band `bandHeight` high (no band for 0).
    static void window(QPainter& painter, const QSizeF& size, qreal bandHeight);
    // A light strip from `top` to the bottom with a separator above it.
    static void footer(QPainter& painter, const QSizeF& size, qreal top);
    static void separator(QPainter& painter, qreal x, qreal y, qreal width);

    // A flat button face filling `rect`.
    static void button(QPainter& painter, const QRectF& rect, ArtButton kind, ArtState state,
                       qreal radius);
    // The colour of text or an icon on a button face.
    static QColor ink(ArtButton kind, ArtState state);
    // A square tool button: icon in the middle, a soft plate on hover and press.
    static void toolButton(QPainter& painter, const QSizeF& size, ArtIcon icon, ArtState state,
                           qreal iconSide);
};
