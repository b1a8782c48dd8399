#include "ArtButtonSet.h"
#include "ArtCatalog.h"
#include "ArtPath.h"
#include "ArtSkins.h"
#include "ArtStates.h"
#include "ArtTheme.h"

using namespace ArtTheme;

namespace {

const QString kFolder = QStringLiteral("Resources/skin/kivIMChatDlg/");
const QString kBubbleFolder = kFolder + QStringLiteral("HistoryList/");

// Bubble parts: the body starts 18 px in from the left of the message so the
// pointer has room; corners have a radius of 8.
constexpr qreal kPointer = 18.0;
constexpr qreal kRadius = 8.0;

void bubblePart(ArtCatalog& catalog, const QString& name, const QSize& size, const QRectF& body,
                bool pointer) {
    catalog.add(kBubbleFolder + name, size, [=](QPainter& p, const QSizeF&) {
        QPainterPath shape = ArtShapes::rounded(body, kRadius);
        if (pointer)
            shape = shape.united(
                ArtPath::parse("M 9.5 16.6 C 9 16.3 9 15.7 9.5 15.4 L 19 10.5 V 21.5 Z"));
        p.fillPath(shape, kBubble);
    });
}

// Send and its key menu form one split button: send rounded on the left,
// the arrow rounded on the right.
void splitHalf(ArtCatalog& catalog, const QString& stem, const QSize& size, bool left) {
    for (const ArtStateFile& state : kAllStates) {
        catalog.add(artStateFile(stem, state), size, [=](QPainter& p, const QSizeF& s) {
            const qreal w = s.width();
            const QRectF face =
                left ? QRectF(0, 0, w + 8, s.height()) : QRectF(-8, 0, w + 8, s.height());
            p.save();
            p.setClipRect(QRectF(QPointF(0, 0), s));
            ArtShapes::button(p, face, ArtButton::Primary, state.state, kControlRadius);
            p.restore();
            if (!left) {
                p.fillRect(QRectF(0, 5, 1, s.height() - 10), QColor(255, 255, 255, 110));
                ArtIcons::draw(p, ArtIcon::ChevronDown,
                               QRectF(w / 2 - 7, s.height() / 2 - 7, 14, 14), Qt::white, 2.2);
            }
        });
    }
}

}  // namespace

void addChatDlgSkin(ArtCatalog& catalog) {
    catalog.add(kFolder + QStringLiteral("backImage.png"), QSize(573, 533),
                [](QPainter& p, const QSizeF& size) { ArtShapes::window(p, size, 96); });

    const struct {
        const char* name;
        ArtIcon icon;
    } tools[] = {{"b_FaceBtn", ArtIcon::Smile},    {"b_vipBtn", ArtIcon::Gift},
                 {"b_historyBtn", ArtIcon::Clock}, {"b_vidoBtn", ArtIcon::Video},
                 {"b_FontBtn", ArtIcon::Font},     {"b_ScreenshotBtn", ArtIcon::Crop},
                 {"b_shakeBtn", ArtIcon::Shake},   {"bpicBtn", ArtIcon::Picture}};
    for (const auto& tool : tools)
        ArtButtonSet::addTool(catalog, kFolder + QLatin1String(tool.name), QSize(28, 28), tool.icon,
                              20, true);

    const struct {
        const char* name;
        ArtIcon icon;
    } styles[] = {{"fontBoldfaceBtn", ArtIcon::Bold},
                  {"fontItalicBtn", ArtIcon::Italic},
                  {"fontUnderlineBtn", ArtIcon::Underline}};
    for (const auto& style : styles) {
        for (bool pressed : {false, true}) {
            catalog.add(kFolder + QLatin1String(style.name) +
                            (pressed ? QStringLiteral("_press.png") : QStringLiteral(".png")),
                        QSize(24, 24), [=](QPainter& p, const QSizeF& size) {
                            ArtShapes::toolButton(p, size, style.icon,
                                                  pressed ? ArtState::Press : ArtState::Normal, 16);
                        });
        }
    }

    splitHalf(catalog, kFolder + QStringLiteral("pushButtonSend"), QSize(72, 28), true);
    splitHalf(catalog, kFolder + QStringLiteral("sKeyMenuBtn"), QSize(22, 28), false);
    ArtButtonSet::Face close;
    close.size = QSize(72, 28);
    close.kind = ArtButton::Secondary;
    ArtButtonSet::add(catalog, kFolder + QStringLiteral("pushButtonClose"), close);

    catalog.add(kFolder + QStringLiteral("sKeyBackImage.png"), QSize(184, 42),
                [](QPainter& p, const QSizeF& size) {
                    const QRectF rect = QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5);
                    p.fillPath(ArtShapes::rounded(rect, kControlRadius), kSurface);
                    p.setPen(QPen(kBorder, 1.0));
                    p.drawPath(ArtShapes::rounded(rect, kControlRadius));
                });
    catalog.add(kFolder + QStringLiteral("IsSelect.png"), QSize(16, 16),
                [](QPainter& p, const QSizeF& size) {
                    ArtIcons::draw(p, ArtIcon::Check, QRectF(QPointF(0, 0), size), kAccent, 2.4);
                });

    bubblePart(catalog, QStringLiteral("LT.png"), QSize(28, 28), QRectF(kPointer, 0, 40, 40), true);
    bubblePart(catalog, QStringLiteral("LB.png"), QSize(28, 10), QRectF(kPointer, -30, 40, 40),
               false);
    bubblePart(catalog, QStringLiteral("RT.png"), QSize(10, 10), QRectF(-30, 0, 40, 40), false);
    bubblePart(catalog, QStringLiteral("RB.png"), QSize(10, 10), QRectF(-30, -30, 40, 40), false);
    catalog.add(
        kBubbleFolder + QStringLiteral("line.png"), QSize(4, 4),
        [](QPainter& p, const QSizeF& size) { p.fillRect(QRectF(QPointF(0, 0), size), kBubble); });
}
