#include "ArtCatalog.h"
#include "ArtShapes.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/CKivIMfaceDlg/");

}  // namespace

void addFaceDlgSkin(ArtCatalog& catalog) {
    // The strip under the grid; the picker's own mask rounds its corners.
    catalog.add(kFolder + QStringLiteral("bottom.png"), QSize(450, 40),
                [](QPainter& p, const QSizeF& size) {
                    p.fillRect(QRectF(QPointF(0, 0), size), kSurfaceAlt);
                    ArtShapes::separator(p, 0, 0, size.width());
                });
    // The one set tab in the strip, shown as chosen.
    catalog.add(kFolder + QStringLiteral("faceTab.png"), QSize(59, 42),
                [](QPainter& p, const QSizeF& size) {
                    p.fillRect(QRectF(0, 0, size.width(), size.height()), kSurface);
                    p.fillRect(QRectF(0, 0, 1, size.height()), kSeparator);
                    p.fillRect(QRectF(size.width() - 1, 0, 1, size.height()), kSeparator);
                    p.fillRect(QRectF(0, 0, size.width(), 2), kAccent);
                    ArtIcons::draw(p, ArtIcon::Smile, QRectF(size.width() / 2 - 10, 10, 20, 20),
                                   kAccent, 1.8);
                });
}
