#pragma once

#include <QString>

class QLabel;
class QWidget;

// Texts on controls whose size the skins fix. A text that fits is shown
// whole; a longer one (English is often twice as wide as Chinese) is cut with
// "…" and shown whole in the tool tip, instead of running over the control.
// Both show the text literally, never as markup.
class KivElidedText {
public:
    static void Apply(QLabel* label, const QString& text);

    // The whole text of a control Apply() cut, else a null string.
    static QString FullText(const QWidget* widget);

    // The width a single-line text has on `widget` (a label, button, check
    // box, radio button or line edit's placeholder), in pixels; -1 for a kind
    // it does not know or a label that wraps its words.
    static int Room(const QWidget* widget);
};
