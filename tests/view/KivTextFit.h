#pragma once

#include <QStringList>

class QWidget;

// Texts that do not fit their controls in a window: a label, button, check
// box, radio button, combo box or field placeholder whose text is wider than
// the room the control gives it, and a text cut by KivElidedText unless the
// control cannot grow and its tool tip holds the whole text.
class KivTextFit {
public:
    // "<objectName or class> "<text>": <width> px in <room>" for each.
    static QStringList Problems(QWidget* window);
};
