// Writes the call window's pictures into the folder given, for its resources.
#include <QDir>
#include <QGuiApplication>

#include "CallViewArt.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 || !QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    const bool written =
        CallViewArt::CloseSprite().save(folder + QStringLiteral("close.png")) &&
        CallViewArt::MinimizeSprite().save(folder + QStringLiteral("minimize.png")) &&
        CallViewArt::Logo().save(folder + QStringLiteral("logo.png"));
    return written ? 0 : 1;
}
