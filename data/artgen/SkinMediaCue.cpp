#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/ImMediaCueDlg/");

}  // namespace

void addMediaCueSkin(ArtCatalog& catalog) {
    // The window is translucent, so this picture's own rounded corners show.
    catalog.add(kFolder + QStringLiteral("backImage.png"), QSize(300, 160),
                [](QPainter& p, const QSizeF& size) {
                    ArtShapes::window(p, size, 32);
                    const QPointF centre(52, 88);
                    for (int ring = 3; ring >= 1; --ring) {
                        QColor c = kAccent;
                        c.setAlpha(14 * (4 - ring));
                        p.setPen(Qt::NoPen);
                        p.setBrush(c);
                        p.drawEllipse(centre, 22.0 + 7 * ring, 22.0 + 7 * ring);
                    }
                    p.setBrush(kAccent);
                    p.drawEllipse(centre, 22, 22);
                    ArtIcons::draw(p, ArtIcon::Video,
                                   QRectF(centre - QPointF(12, 12), QSizeF(24, 24)), Qt::white,
                                   1.9);
                });

    ArtButtonSet::Face accept;
    accept.size = QSize(84, 30);
    accept.kind = ArtButton::Success;
    accept.radius = 15;
    accept.withIcon = true;
    accept.icon = ArtIcon::Phone;
    accept.iconBox = QRectF(11, 7, 16, 16);
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("b_cueaccept"), accept);
    ArtButtonSet::Face decline = accept;
    decline.kind = ArtButton::Danger;
    decline.icon = ArtIcon::HangUp;
    // The hung-up handset is flat and wide; a larger box keeps it legible.
    decline.iconBox = QRectF(7, 2.5, 24, 24);
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("b_cuedecline"), decline);
}
