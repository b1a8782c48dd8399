#pragma once

#include <QString>

class QLabel;

// Text a peer or the server chose (nick names, signatures, accounts, areas,
// request texts) is shown as it is, never taken as markup: a label would
// otherwise guess rich text from a leading tag and load links and pictures.
class KivPlainText {
public:
    // Shows `text` literally in `label`.
    static void Show(QLabel* label, const QString& text);
    // A tool tip that shows `text` literally, its line breaks ("\n", "\r\n"
    // or "\r") as line breaks; tool tips guess markup as well.
    static QString ToolTip(const QString& text);
};
