#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/kivCheckFriendDlg/");

}  // namespace

void addCheckFriendSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("searchIcon.png"), QSize(16, 16),
                [](QPainter& p, const QSizeF& size) {
                    ArtIcons::draw(p, ArtIcon::Search, QRectF(QPointF(0, 0), size), kIconLight,
                                   2.0);
                });
    ArtButtonSet::Face search;
    search.size = QSize(72, 32);
    search.withIcon = true;
    search.icon = ArtIcon::Search;
    search.iconBox = QRectF(10, 8, 16, 16);
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("bCheckBtn"), search);
    ArtButtonSet::Face add;
    add.size = QSize(64, 26);
    add.kind = ArtButton::Secondary;
    add.withIcon = true;
    add.icon = ArtIcon::UserPlus;
    add.iconBox = QRectF(8, 5, 16, 16);
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("AddBtn"), add);
}
