#include "KivScreen.h"

#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>

bool KivScreen::Available() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") &&
           !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty();
}

QString KivScreen::XDoTool(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    tool.waitForFinished(10000);
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

QString KivScreen::FindWindow(const QString& namePattern) {
    return XDoTool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"), namePattern})
        .split(QLatin1Char('\n'))
        .value(0);
}

QImage KivScreen::Grab(const QString& window) {
    QProcess tool;
    tool.start(QStringLiteral("import"),
               {QStringLiteral("-window"), window, QStringLiteral("png:-")});
    tool.waitForFinished(10000);
    return QImage::fromData(tool.readAllStandardOutput(), "PNG");
}

bool KivScreen::Save(const QImage& image, const QString& name) {
    const QDir folder(QStringLiteral(KIV_SCREENSHOT_DIR));
    folder.mkpath(QStringLiteral("."));
    // The English run's pictures lie beside the Chinese ones.
    const QString file =
        QLocale().language() == QLocale::English ? QStringLiteral("en-") + name : name;
    return !image.isNull() && image.save(folder.filePath(file), "PNG");
}
