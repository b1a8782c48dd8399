#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/KivIMAddFriendTipDlg/");

}  // namespace

void addAddFriendTipSkin(ArtCatalog& catalog) {
    // Background of the user search dialog (it lives in this folder).
    catalog.add(kFolder + QStringLiteral("AddFriendTipDlgBackImage.png"), QSize(460, 320),
                [](QPainter& p, const QSizeF& size) { ArtShapes::window(p, size, 36); });
    // Background of the request list itself: room for three cards a row.
    catalog.add(kFolder + QStringLiteral("TipDlgBackImage.png"), QSize(600, 420),
                [](QPainter& p, const QSizeF& size) { ArtShapes::window(p, size, 40); });

    catalog.add(kFolder + QStringLiteral("ItemBackImage.png"), QSize(176, 150),
                [](QPainter& p, const QSizeF& size) {
                    const QRectF card = QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
                    p.fillPath(ArtShapes::rounded(card, 6), kSurface);
                    p.setPen(QPen(kBorder, 1.0));
                    p.drawPath(ArtShapes::rounded(card, 6));
                    ArtShapes::separator(p, 12, 104, size.width() - 24);
                });

    ArtButtonSet::Face accept;
    accept.size = QSize(64, 26);
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("m_pAccept"), accept);
    ArtButtonSet::Face refuse = accept;
    refuse.kind = ArtButton::Secondary;
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("m_pRef"), refuse);
}
