// Draws the application icon for the desktop's icon theme: one PNG per size
// the hicolor theme names and a scalable SVG, all from the brand mark of the
// art generator. Writes <folder>/hicolor/<n>x<n>/apps/kivim.png and
// <folder>/hicolor/scalable/apps/kivim.svg.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QTextStream>

#include "ArtBrand.h"

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr int kSvgSide = 256;

// The mark fills the square but for a thin margin, as the tray icon does.
void drawIcon(QPainter& painter, qreal side) {
    const qreal margin = side / 32.0;
    ArtBrand::appIcon(painter, QRectF(margin, margin, side - 2 * margin, side - 2 * margin));
}

bool writePng(const QDir& theme, int side, QString* error) {
    const QString folder = QStringLiteral("%1x%1/apps").arg(side);
    if (!theme.mkpath(folder)) {
        *error = QStringLiteral("cannot create ") + theme.filePath(folder);
        return false;
    }
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        drawIcon(painter, side);
    }
    const QString file = theme.filePath(folder + QStringLiteral("/kivim.png"));
    if (!image.save(file, "PNG")) {
        *error = QStringLiteral("cannot write ") + file;
        return false;
    }
    return true;
}

bool writeSvg(const QDir& theme, QString* error) {
    const QString folder = QStringLiteral("scalable/apps");
    if (!theme.mkpath(folder)) {
        *error = QStringLiteral("cannot create ") + theme.filePath(folder);
        return false;
    }
    const QString file = theme.filePath(folder + QStringLiteral("/kivim.svg"));
    QSvgGenerator svg;
    svg.setFileName(file);
    svg.setSize(QSize(kSvgSide, kSvgSide));
    svg.setViewBox(QRect(0, 0, kSvgSide, kSvgSide));
    svg.setTitle(QStringLiteral("Lumo"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        *error = QStringLiteral("cannot write ") + file;
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    drawIcon(painter, kSvgSide);
    return painter.end();
}

}  // namespace

int main(int argc, char** argv) {
    // The SVG generator needs a GUI application; nothing is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (app.arguments().size() != 2) {
        err << "usage: kivIconGen <icon folder>\n";
        return 2;
    }
    const QDir theme(QDir(app.arguments().at(1)).filePath(QStringLiteral("hicolor")));
    QString error;
    for (int side : kSizes) {
        if (!writePng(theme, side, &error)) {
            err << "kivIconGen: " << error << '\n';
            return 1;
        }
    }
    if (!writeSvg(theme, &error)) {
        err << "kivIconGen: " << error << '\n';
        return 1;
    }
    return 0;
}
