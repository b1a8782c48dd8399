#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

// The product's mark (a chat bubble holding a spark of light) and the
// "Lumo" word, both built from geometry so they never depend on fonts.
class ArtBrand {
public:
    // The application icon: the mark on a rounded accent square.
    static void appIcon(QPainter& painter, const QRectF& box);
    // The mark alone: `bubble` shape with a `spark` inside it.
    static void mark(QPainter& painter, const QRectF& box, const QColor& bubble,
                     const QColor& spark);
    // Draws "Lumo" with its baseline-left corner at `origin`; returns its width.
    static qreal wordmark(QPainter& painter, const QPointF& origin, qreal capHeight,
                          const QColor& colour);
    static qreal wordmarkWidth(qreal capHeight);
};
