#include "ArtBrand.h"
#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/kivimmaindlg/");

// A page tab: the icon, and for the chosen tab an accent bar under it.
void tab(ArtCatalog& catalog, const QString& stem, ArtIcon icon) {
    for (bool chosen : {false, true}) {
        catalog.add(
            kFolder + stem + (chosen ? QStringLiteral("_press.png") : QStringLiteral(".png")),
            QSize(93, 36), [=](QPainter& p, const QSizeF& size) {
                p.fillRect(QRectF(QPointF(0, 0), size), kSurface);
                ArtShapes::separator(p, 0, size.height() - 1, size.width());
                ArtIcons::draw(p, icon, QRectF(size.width() / 2 - 10, 6, 20, 20),
                               chosen ? kAccent : kIconLight, chosen ? 1.9 : 1.7);
                if (chosen)
                    p.fillPath(ArtShapes::rounded(
                                   QRectF(size.width() / 2 - 14, size.height() - 4, 28, 3), 1.5),
                               kAccent);
            });
    }
}

}  // namespace

void addMainDlgSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("header.png"), QSize(280, 120),
                [](QPainter& p, const QSizeF& size) {
                    const QRectF rect(QPointF(0, 0), size);
                    QPainterPath all;
                    all.addRect(rect);
                    ArtShapes::band(p, rect, all);
                });

    tab(catalog, QStringLiteral("pushButton"), ArtIcon::Chat);
    tab(catalog, QStringLiteral("pushButton_2"), ArtIcon::User);
    tab(catalog, QStringLiteral("pushButton_3"), ArtIcon::Crown);

    catalog.add(kFolder + QStringLiteral("messageTipLabel.png"), QSize(18, 18),
                [](QPainter& p, const QSizeF& size) {
                    p.fillPath(ArtShapes::rounded(QRectF(QPointF(0, 0), size), size.width() / 2),
                               kDanger);
                });

    // The dark phase of the tray flash: the mark as a faint ghost.
    catalog.add(kFolder + QStringLiteral("glint.png"), QSize(64, 64),
                [](QPainter& p, const QSizeF& size) {
                    p.setOpacity(0.14);
                    ArtBrand::appIcon(p, QRectF(QPointF(2, 2), size - QSizeF(4, 4)));
                });

    ArtButtonSet::addTool(catalog, kFolder + QStringLiteral("b_Set"), QSize(28, 28), ArtIcon::Gear,
                          18, false);
    ArtButtonSet::addTool(catalog, kFolder + QStringLiteral("b_Check"), QSize(28, 28),
                          ArtIcon::UserPlus, 18, false);
    ArtButtonSet::addTool(catalog, kFolder + QStringLiteral("b_Home"), QSize(28, 28), ArtIcon::Home,
                          18, false);
    ArtButtonSet::addTool(catalog, kFolder + QStringLiteral("b_Request"), QSize(28, 28),
                          ArtIcon::User, 18, false);
    ArtButtonSet::addTool(catalog, kFolder + QStringLiteral("b_Search"), QSize(28, 28),
                          ArtIcon::Search, 18, false);
}
