#include "ArtCatalog.h"
#include "ArtShapes.h"
#include "ArtSkins.h"

// The window of the search over every conversation: a title band and a
// white body, like the other dialogs.
void addHistorySearchSkin(ArtCatalog& catalog) {
    catalog.add(QStringLiteral("Resources/skin/kivHistorySearch/SearchDlgBackImage.png"),
                QSize(420, 520),
                [](QPainter& p, const QSizeF& size) { ArtShapes::window(p, size, 40); });
}
