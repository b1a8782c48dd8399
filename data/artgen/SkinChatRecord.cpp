#include <QLinearGradient>

#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtSkins.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/CKivImChatRecordDlg/");

// A hairline that fades out away from the date text it frames.
void dateLine(ArtCatalog& catalog, const QString& name, bool fadeToLeft) {
    catalog.add(kFolder + name, QSize(120, 9), [fadeToLeft](QPainter& p, const QSizeF& size) {
        QLinearGradient gradient(0, 0, size.width(), 0);
        QColor clear = kBorder;
        clear.setAlpha(0);
        gradient.setColorAt(fadeToLeft ? 0.0 : 1.0, clear);
        gradient.setColorAt(fadeToLeft ? 1.0 : 0.0, kBorder);
        p.fillRect(QRectF(0, 4, size.width(), 1), gradient);
    });
}

}  // namespace

void addChatRecordSkin(ArtCatalog& catalog) {
    dateLine(catalog, QStringLiteral("dataitimeLineL.png"), true);
    dateLine(catalog, QStringLiteral("dataitimeLineR.png"), false);

    const struct {
        const char* name;
        ArtIcon icon;
    } pages[] = {{"PrePage", ArtIcon::ChevronLeft},
                 {"NextPage", ArtIcon::ChevronRight},
                 {"LeftTopPage", ArtIcon::First},
                 {"RightTopPage", ArtIcon::Last}};
    for (const auto& page : pages)
        ArtButtonSet::addTool(catalog, kFolder + QLatin1String(page.name), QSize(22, 22), page.icon,
                              16, true);
}
