#pragma once

#include <QSize>
#include <QString>

class QWidget;
class QLabel;

// The common frame of the skinned dialogs: the background picture sizes the
// window, and the caption sits on the title band.
class KivSkinBackground {
public:
    // Paints `picture` as the window's background and resizes the window to it
    // (to `fallback` when the picture is missing).
    static void Apply(QWidget* window, const QString& picture, const QSize& fallback);
    static QLabel* AddTitle(QWidget* window, const QString& text);
};
