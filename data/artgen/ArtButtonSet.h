#pragma once

#include <QRectF>
#include <QSize>
#include <QString>

#include "ArtIcons.h"
#include "ArtShapes.h"

class ArtCatalog;

// Adds the state pictures of one button: stem.png, stem_hover.png,
// stem_press.png and, when asked, stem_disabled.png.
class ArtButtonSet {
public:
    struct Face {
        QSize size;
        ArtButton kind = ArtButton::Primary;
        qreal radius = 4.0;
        bool withIcon = false;
        ArtIcon icon = ArtIcon::Check;
        QRectF iconBox;
        bool disabled = false;
    };

    static void add(ArtCatalog& catalog, const QString& stem, const Face& face);
    // A square-ish icon button without a face until hovered.
    static void addTool(ArtCatalog& catalog, const QString& stem, const QSize& size, ArtIcon icon,
                        qreal iconSide, bool disabled);
};
