#include "support/KivPlainText.h"

#include <QLabel>

void KivPlainText::Show(QLabel* label, const QString& text) {
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

QString KivPlainText::ToolTip(const QString& text) {
    if (text.isEmpty())
        return {};
    // Escaped inside markup of our own, so the guess is always right. Line
    // breaks are made explicit: a paragraph drops a leading or trailing one,
    // and a carriage return, alone or before a line feed, ends one line as
    // in plain text.
    QString lines = text.toHtmlEscaped();
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines.replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
    return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(lines);
}
