#include "ArtCatalog.h"
#include "ArtShapes.h"
#include "ArtSkins.h"

void addAddFriendSkin(ArtCatalog& catalog) {
    catalog.add(QStringLiteral("Resources/skin/CKivIMAddFriendDlg/backImage.png"), QSize(400, 280),
                [](QPainter& p, const QSizeF& size) {
                    ArtShapes::window(p, size, 36);
                    ArtShapes::footer(p, size, 228);
                });
}
