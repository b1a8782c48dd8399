#include "ArtBrand.h"
#include "ArtCatalog.h"
#include "ArtShapes.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

void addRegisterSkin(ArtCatalog& catalog) {
    catalog.add(QStringLiteral("Resources/skin/kivRegisterDlg/backgroung_Image.png"),
                QSize(430, 420), [](QPainter& p, const QSizeF& size) {
                    ArtShapes::window(p, size, 96);
                    const qreal cap = 24;
                    const qreal side = cap * 1.4;
                    const qreal total = side + cap * 0.3 + ArtBrand::wordmarkWidth(cap);
                    const qreal x = (size.width() - total) / 2;
                    ArtBrand::mark(p, QRectF(x, 60 - cap * 1.12, side, side), Qt::white,
                                   ArtTheme::kAccent);
                    ArtBrand::wordmark(p, QPointF(x + side + cap * 0.3, 60), cap, Qt::white);
                });
}
