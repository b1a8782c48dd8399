#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"
#include "ArtStates.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/kivChoiceHeaddlg/");

// A preview frame: a hairline square with the round cut shown as a dashed
// circle, over the preview picture.
void previewFrame(ArtCatalog& catalog, const QString& name, int side) {
    catalog.add(kFolder + name, QSize(side, side), [](QPainter& p, const QSizeF& size) {
        const QRectF rect = QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(kBorder, 1.0));
        p.drawRect(rect);
        QColor guide = Qt::white;
        guide.setAlpha(200);
        QPen dashed(guide, 1.0, Qt::DashLine);
        dashed.setDashPattern({3, 3});
        p.setPen(dashed);
        p.drawEllipse(rect.adjusted(1, 1, -1, -1));
    });
}

}  // namespace

void addChoiceHeadSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("bkground.png"), QSize(495, 400),
                [](QPainter& p, const QSizeF& size) {
                    ArtShapes::window(p, size, 36);
                    ArtShapes::separator(p, 16, 72, size.width() - 32);
                    ArtShapes::footer(p, size, 352);
                });

    catalog.add(kFolder + QStringLiteral("HeadBk.png"), QSize(62, 62),
                [](QPainter& p, const QSizeF& size) {
                    const QRectF tile = QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
                    p.fillPath(ArtShapes::rounded(tile, 6), kSurfaceAlt);
                    p.setPen(QPen(kSeparator, 1.0));
                    p.drawPath(ArtShapes::rounded(tile, 6));
                });
    catalog.add(kFolder + QStringLiteral("HeadBkSel.png"), QSize(62, 62),
                [](QPainter& p, const QSizeF& size) {
                    const QRectF tile = QRectF(QPointF(0, 0), size);
                    p.fillPath(ArtShapes::rounded(tile, 6), kAccent);
                    p.fillPath(ArtShapes::rounded(tile.adjusted(2.5, 2.5, -2.5, -2.5), 4),
                               kAccentSoft);
                });

    // The chosen page tab: an accent bar under the tab text.
    catalog.add(kFolder + QStringLiteral("SwitchBtSel.png"), QSize(96, 32),
                [](QPainter& p, const QSizeF& size) {
                    p.fillPath(ArtShapes::rounded(
                                   QRectF(size.width() / 2 - 18, size.height() - 3, 36, 3), 1.5),
                               kAccent);
                });

    previewFrame(catalog, QStringLiteral("HeaderViewLarge.png"), 124);
    previewFrame(catalog, QStringLiteral("HeaderViewSmall.png"), 53);

    ArtButtonSet::Face reselect;
    reselect.size = QSize(91, 31);
    reselect.kind = ArtButton::Secondary;
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("ReSelBt"), reselect);

    // The empty crop area: a dashed drop box with a plus above the caption.
    for (const ArtStateFile& state : kLiveStates) {
        catalog.add(artStateFile(kFolder + QStringLiteral("AddImageBt"), state), QSize(160, 120),
                    [state](QPainter& p, const QSizeF& size) {
                        const QRectF box =
                            QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
                        const bool live = state.state != ArtState::Normal;
                        p.fillPath(ArtShapes::rounded(box, 6), state.state == ArtState::Press
                                                                   ? kAccentSoftStrong
                                                               : live ? kAccentSoft
                                                                      : kSurfaceAlt);
                        QPen dashed(live ? kAccent : kBorderStrong, 1.0, Qt::DashLine);
                        dashed.setDashPattern({4, 3});
                        p.setPen(dashed);
                        p.drawPath(ArtShapes::rounded(box, 6));
                        ArtIcons::draw(p, ArtIcon::Plus, QRectF(size.width() / 2 - 16, 26, 32, 32),
                                       live ? kAccent : kIconLight, 1.6);
                    });
    }
}
