#include "ArtCatalog.h"
#include "ArtShapes.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/CKivFriendSysSettingDlg/");
constexpr qreal kBand = 36;
constexpr qreal kNavWidth = 132;
constexpr qreal kFooter = 392;

}  // namespace

void addSysSettingSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("SysSettingDlgBackImage1.png"), QSize(600, 440),
                [](QPainter& p, const QSizeF& size) {
                    ArtShapes::window(p, size, kBand);
                    ArtShapes::footer(p, size, kFooter);
                    p.fillRect(QRectF(1, kBand, kNavWidth - 1, kFooter - kBand), kSurfaceAlt);
                    p.fillRect(QRectF(kNavWidth, kBand, 1, kFooter - kBand), kSeparator);
                });
    // The chosen page button in the left column.
    catalog.add(kFolder + QStringLiteral("Set.png"), QSize(131, 36),
                [](QPainter& p, const QSizeF& size) {
                    p.fillRect(QRectF(QPointF(0, 0), size), kAccentSoft);
                    p.fillRect(QRectF(0, 0, 3, size.height()), kAccent);
                });
}
