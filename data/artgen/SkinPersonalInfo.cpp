#include "ArtCatalog.h"
#include "ArtShapes.h"
#include "ArtSkins.h"

namespace {

const QString kFolder = QStringLiteral("Resources/skin/kivPersonalInfoDlg/");

// Hover frame of an in-place edit field on the header band.
void hoverFrame(ArtCatalog& catalog, const QString& name, const QSize& size) {
    catalog.add(kFolder + name, size, [](QPainter& p, const QSizeF& s) {
        const QRectF box = QRectF(QPointF(0, 0), s).adjusted(0.5, 0.5, -0.5, -0.5);
        p.fillPath(ArtShapes::rounded(box, 3), QColor(255, 255, 255, 36));
        p.setPen(QPen(QColor(255, 255, 255, 150), 1.0));
        p.drawPath(ArtShapes::rounded(box, 3));
    });
}

}  // namespace

void addPersonalInfoSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("backImage.png"), QSize(440, 520),
                [](QPainter& p, const QSizeF& size) {
                    ArtShapes::window(p, size, 120);
                    ArtShapes::footer(p, size, 468);
                });
    hoverFrame(catalog, QStringLiteral("nikeName_Hover.png"), QSize(180, 30));
    hoverFrame(catalog, QStringLiteral("Sign_Hover.png"), QSize(300, 24));
}
