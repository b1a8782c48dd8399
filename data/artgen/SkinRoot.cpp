#include "ArtBrand.h"
#include "ArtCatalog.h"
#include "ArtShapes.h"
#include "ArtSkins.h"
#include "ArtStates.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QSize kTitleButton(32, 26);

void titleButton(ArtCatalog& catalog, const QString& stem, ArtIcon icon, bool close) {
    const char* names[] = {"_general", "_hover", "_press"};
    for (int i = 0; i < 3; ++i) {
        const ArtState state = kLiveStates[static_cast<size_t>(i)].state;
        catalog.add(QStringLiteral("Resources/skin/") + stem + QLatin1String(names[i]) +
                        QStringLiteral(".png"),
                    kTitleButton, [=](QPainter& p, const QSizeF& size) {
                        const QRectF plate = QRectF(QPointF(0, 0), size).adjusted(2, 2, -2, -2);
                        if (state == ArtState::Hover)
                            p.fillPath(ArtShapes::rounded(plate, kControlRadius),
                                       close ? kCloseHover : QColor(255, 255, 255, 46));
                        if (state == ArtState::Press)
                            p.fillPath(ArtShapes::rounded(plate, kControlRadius),
                                       close ? kClosePress : QColor(0, 0, 0, 30));
                        ArtIcons::draw(p, icon, QRectF(8, 5, 16, 16), Qt::white, 1.7);
                    });
    }
}

void checkBox(ArtCatalog& catalog, const QString& stem, bool round, bool checked, ArtState state) {
    catalog.add(stem, QSize(14, 14), [=](QPainter& p, const QSizeF& size) {
        const QRectF box = QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
        const qreal radius = round ? box.width() / 2 : 3;
        const bool disabled = state == ArtState::Disabled;
        if (checked) {
            const QColor face = disabled                   ? kAccentDisabled
                                : state == ArtState::Hover ? kAccentHover
                                                           : kAccent;
            p.fillPath(ArtShapes::rounded(box.adjusted(-0.5, -0.5, 0.5, 0.5), radius + 0.5), face);
            if (round)
                p.fillPath(ArtShapes::rounded(QRectF(4.5, 4.5, 5, 5), 2.5), Qt::white);
            else
                ArtIcons::draw(p, ArtIcon::Check, QRectF(1, 1, 12, 12), Qt::white, 2.6);
            return;
        }
        p.fillPath(ArtShapes::rounded(box, radius), disabled ? kSurfaceAlt : kSurface);
        p.setPen(QPen(state == ArtState::Hover ? kAccent : kBorderStrong, 1.0));
        p.drawPath(ArtShapes::rounded(box, radius));
    });
}

}  // namespace

void addRootSkin(ArtCatalog& catalog) {
    // Tray and window icon, with the sizes a desktop asks for.
    catalog.add(QStringLiteral("Resources/skin/SysIcon.png"), QSize(64, 64),
                [](QPainter& p, const QSizeF& size) {
                    ArtBrand::appIcon(p, QRectF(QPointF(2, 2), size - QSizeF(4, 4)));
                });
    for (int side : {16, 24, 32, 48}) {
        catalog.add(QStringLiteral("Resources/skin/SysIcon_%1.png").arg(side), QSize(side, side),
                    [](QPainter& p, const QSizeF& size) {
                        const qreal m = size.width() / 32.0;
                        ArtBrand::appIcon(p, QRectF(QPointF(m, m), size - QSizeF(2 * m, 2 * m)));
                    });
    }

    titleButton(catalog, QStringLiteral("closeBt"), ArtIcon::Close, true);
    titleButton(catalog, QStringLiteral("minBt"), ArtIcon::Minimize, false);
    titleButton(catalog, QStringLiteral("maxBt"), ArtIcon::Maximize, false);

    const QString common = QStringLiteral("Resources/skin/common/");
    for (bool round : {false, true}) {
        const QString kind = round ? QStringLiteral("radio") : QStringLiteral("checkbox");
        for (bool checked : {false, true}) {
            for (const ArtStateFile& state : kAllStates) {
                if (state.state == ArtState::Press)
                    continue;
                const QString stem =
                    common + kind + (checked ? QStringLiteral("_checked") : QString());
                checkBox(catalog, artStateFile(stem, state), round, checked, state.state);
            }
        }
    }
    for (bool up : {false, true}) {
        catalog.add(
            common + (up ? QStringLiteral("arrow_up.png") : QStringLiteral("arrow_down.png")),
            QSize(12, 12), [up](QPainter& p, const QSizeF& size) {
                ArtIcons::draw(p, up ? ArtIcon::ChevronUp : ArtIcon::ChevronDown,
                               QRectF(QPointF(0, 0), size), up ? kAccent : kIcon, 2.4);
            });
    }
}
