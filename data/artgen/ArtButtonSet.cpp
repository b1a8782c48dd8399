#include "ArtButtonSet.h"

#include "ArtCatalog.h"
#include "ArtStates.h"

void ArtButtonSet::add(ArtCatalog& catalog, const QString& stem, const Face& face) {
    for (const ArtStateFile& state : kAllStates) {
        if (state.state == ArtState::Disabled && !face.disabled)
            continue;
        catalog.add(artStateFile(stem, state), face.size,
                    [face, state](QPainter& p, const QSizeF& size) {
                        ArtShapes::button(p, QRectF(QPointF(0, 0), size), face.kind, state.state,
                                          face.radius);
                        if (face.withIcon)
                            ArtIcons::draw(p, face.icon, face.iconBox,
                                           ArtShapes::ink(face.kind, state.state));
                    });
    }
}

void ArtButtonSet::addTool(ArtCatalog& catalog, const QString& stem, const QSize& size,
                           ArtIcon icon, qreal iconSide, bool disabled) {
    for (const ArtStateFile& state : kAllStates) {
        if (state.state == ArtState::Disabled && !disabled)
            continue;
        catalog.add(artStateFile(stem, state), size,
                    [icon, iconSide, state](QPainter& p, const QSizeF& s) {
                        ArtShapes::toolButton(p, s, icon, state.state, iconSide);
                    });
    }
}
