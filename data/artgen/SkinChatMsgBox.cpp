#include "ArtCatalog.h"
#include "ArtShapes.h"
#include "ArtSkins.h"

namespace {

const QString kFolder = QStringLiteral("Resources/skin/kivchatmsgbox/");

}  // namespace

void addChatMsgBoxSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("messageBoxTitle.png"), QSize(212, 38),
                [](QPainter& p, const QSizeF& size) {
                    const QRectF rect(QPointF(0, 0), size);
                    QPainterPath all;
                    all.addRect(rect);
                    ArtShapes::band(p, rect, all);
                });
    catalog.add(kFolder + QStringLiteral("titleLabel.png"), QSize(16, 16),
                [](QPainter& p, const QSizeF& size) {
                    ArtIcons::draw(p, ArtIcon::Chat, QRectF(QPointF(0, 0), size), Qt::white, 2.0);
                });
}
