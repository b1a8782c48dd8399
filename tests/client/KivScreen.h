#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// The X display as a user sees it, through the usual desktop tools.
class KivScreen {
public:
    static bool Available();
    // Runs xdotool with the arguments; its standard output.
    static QString XDoTool(const QStringList& arguments);
    // The id of a visible window whose name matches the pattern, or empty.
    static QString FindWindow(const QString& namePattern);
    static QImage Grab(const QString& window = QStringLiteral("root"));
    // Saves a picture under the build's screenshot folder.
    static bool Save(const QImage& image, const QString& name);
};
