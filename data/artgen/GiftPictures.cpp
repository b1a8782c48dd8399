#include "ArtCatalog.h"
#include "ArtGift.h"
#include "ArtSkins.h"

// A gift's file name is its price. Prices stay single digits so the picker,
// which sorts by name, shows them cheapest first. Drawn at twice the 60 px
// they are shown at; no @2x siblings because the client lists the folder.
void addGiftPictures(ArtCatalog& catalog) {
    for (int price = ArtGift::kFirstPrice; price <= ArtGift::kLastPrice; ++price) {
        catalog.addSingle(QStringLiteral("image/gift/%1.png").arg(price), QSize(60, 60), 2.0,
                          [price](QPainter& p, const QSizeF& size) {
                              p.scale(size.width() / 100.0, size.height() / 100.0);
                              ArtGift::draw(p, price);
                          });
    }
}
