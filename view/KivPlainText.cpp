#include "KivPlainText.h"

#include <QLabel>

void KivPlainText::Show(QLabel* label, const QString& text) {
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

QString KivPlainText::ToolTip(const QString& text) {
    if (text.isEmpty())
        return {};
    // Escaped inside markup of our own, so the guess is always right.
    return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(text.toHtmlEscaped());
}
