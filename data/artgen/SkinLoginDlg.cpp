#include "ArtBrand.h"
#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"
#include "ArtStates.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/kivLoginDlg/");

// The header band with the mark and the word centred in it.
void brandedBackground(QPainter& p, const QSizeF& size, qreal band, qreal capHeight) {
    ArtShapes::window(p, size, band);
    const qreal markSide = capHeight * 1.4;
    const qreal gap = capHeight * 0.3;
    const qreal total = markSide + gap + ArtBrand::wordmarkWidth(capHeight);
    const qreal x = (size.width() - total) / 2;
    const qreal baseline = band / 2 + capHeight / 2 - 2;
    ArtBrand::mark(p, QRectF(x, baseline - capHeight * 1.12, markSide, markSide), Qt::white,
                   kAccent);
    ArtBrand::wordmark(p, QPointF(x + markSide + gap, baseline), capHeight, Qt::white);
}

}  // namespace

void addLoginDlgSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("backgroung_Image.png"), QSize(430, 330),
                [](QPainter& p, const QSizeF& size) { brandedBackground(p, size, 124, 30); });

    catalog.add(kFolder + QStringLiteral("Account.png"), QSize(16, 16),
                [](QPainter& p, const QSizeF& size) {
                    ArtIcons::draw(p, ArtIcon::User, QRectF(QPointF(0, 0), size), kIconLight, 1.9);
                });
    catalog.add(kFolder + QStringLiteral("passWd.png"), QSize(16, 16),
                [](QPainter& p, const QSizeF& size) {
                    ArtIcons::draw(p, ArtIcon::Lock, QRectF(QPointF(0, 0), size), kIconLight, 1.9);
                });

    // Delete button of a drop-down row: a quiet cross that turns into a red disc.
    const char* deleteNames[] = {"a.png", "b.png", "c.png"};
    for (size_t i = 0; i < 3; ++i) {
        const ArtState state = kLiveStates[i].state;
        catalog.add(kFolder + QLatin1String(deleteNames[i]), QSize(27, 25),
                    [state](QPainter& p, const QSizeF& size) {
                        const QRectF disc(size.width() / 2 - 8, size.height() / 2 - 8, 16, 16);
                        QColor cross = kIconLight;
                        if (state != ArtState::Normal) {
                            p.fillPath(ArtShapes::rounded(disc, 8),
                                       state == ArtState::Hover ? kDanger : kDangerPress);
                            cross = Qt::white;
                        }
                        ArtIcons::draw(p, ArtIcon::Close, disc.adjusted(2, 2, -2, -2), cross, 2.4);
                    });
    }

    catalog.add(
        kFolder + QStringLiteral("v.png"), QSize(12, 12), [](QPainter& p, const QSizeF& size) {
            ArtIcons::draw(p, ArtIcon::ChevronDown, QRectF(QPointF(0, 0), size), kIcon, 2.4);
        });
    catalog.add(
        kFolder + QStringLiteral("v1.png"), QSize(12, 12), [](QPainter& p, const QSizeF& size) {
            ArtIcons::draw(p, ArtIcon::ChevronUp, QRectF(QPointF(0, 0), size), kAccent, 2.4);
        });
    catalog.add(kFolder + QStringLiteral("eye_on.png"), QSize(20, 20),
                [](QPainter& p, const QSizeF& size) {
                    ArtIcons::draw(p, ArtIcon::Eye, QRectF(QPointF(1, 1), size - QSizeF(2, 2)),
                                   kIconLight, 1.8);
                });
    catalog.add(kFolder + QStringLiteral("eye_off.png"), QSize(20, 20),
                [](QPainter& p, const QSizeF& size) {
                    ArtIcons::draw(p, ArtIcon::EyeOff, QRectF(QPointF(1, 1), size - QSizeF(2, 2)),
                                   kAccent, 1.8);
                });

    ArtButtonSet::Face login;
    login.size = QSize(220, 36);
    login.disabled = true;
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("login"), login);
}
