#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"

namespace {

const QString kFolder = QStringLiteral("Resources/skin/kivMessageBox/");

}  // namespace

void addMessageBoxSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("backImage.png"), QSize(320, 180),
                [](QPainter& p, const QSizeF& size) {
                    ArtShapes::window(p, size, 32);
                    ArtShapes::footer(p, size, 128);
                });
    ArtButtonSet::Face confirm;
    confirm.size = QSize(81, 31);
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("bBtn1Name"), confirm);
    ArtButtonSet::Face cancel = confirm;
    cancel.kind = ArtButton::Secondary;
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("bBtn2Name"), cancel);
}
