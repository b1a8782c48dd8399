#include <QLinearGradient>

#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/kivimplaydlg/");

}  // namespace

void addPlayDlgSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("banner.png"), QSize(280, 96),
                [](QPainter& p, const QSizeF& size) {
                    const QRectF rect(QPointF(0, 0), size);
                    ArtShapes::band(p, rect, ArtShapes::rounded(rect, 6));
                    ArtIcons::draw(p, ArtIcon::Gamepad, QRectF(size.width() - 118, 6, 96, 96),
                                   QColor(255, 255, 255, 70), 1.3);
                    ArtIcons::draw(p, ArtIcon::Sparkle, QRectF(28, 22, 22, 22), Qt::white);
                    ArtIcons::draw(p, ArtIcon::Sparkle, QRectF(56, 52, 12, 12),
                                   QColor(255, 255, 255, 170));
                    ArtIcons::draw(p, ArtIcon::Sparkle, QRectF(120, 18, 10, 10),
                                   QColor(255, 255, 255, 120));
                });

    // The tile of the game hall itself.
    catalog.add(
        kFolder + QStringLiteral("hall.png"), QSize(56, 56), [](QPainter& p, const QSizeF& size) {
            const QRectF rect(QPointF(0, 0), size);
            QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
            gradient.setColorAt(0, QColor(0x4F, 0xD1, 0xC5));
            gradient.setColorAt(1, QColor(0x2B, 0x9E, 0xD8));
            p.fillPath(ArtShapes::rounded(rect, 12), gradient);
            ArtIcons::draw(p, ArtIcon::Gamepad, rect.adjusted(10, 10, -10, -10), Qt::white, 1.7);
        });

    ArtButtonSet::Face down;
    down.size = QSize(60, 24);
    down.radius = 12;
    down.withIcon = true;
    down.icon = ArtIcon::Download;
    down.iconBox = QRectF(8, 5, 14, 14);
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("Down"), down);
    ArtButtonSet::Face start = down;
    start.kind = ArtButton::Success;
    start.icon = ArtIcon::Play;
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("Start"), start);
}
