#include "ArtCatalog.h"
#include "ArtShapes.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

void addRecoverSkin(ArtCatalog& catalog) {
    catalog.add(QStringLiteral("Resources/skin/kivRecoverPassWdDlg/backImage.png"), QSize(430, 380),
                [](QPainter& p, const QSizeF& size) {
                    ArtShapes::window(p, size, 96);
                    // A large key-hole lock sits in the band as the dialog's sign.
                    const QRectF badge(size.width() / 2 - 24, 24, 48, 48);
                    p.setPen(Qt::NoPen);
                    p.setBrush(QColor(255, 255, 255, 46));
                    p.drawEllipse(badge);
                    ArtIcons::draw(p, ArtIcon::Lock, badge.adjusted(11, 10, -11, -12), Qt::white,
                                   2.0);
                });
}
