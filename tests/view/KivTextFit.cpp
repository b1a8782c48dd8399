#include "KivTextFit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "support/KivElidedText.h"
#include "support/KivPlainText.h"

namespace {

QString Shown(QString text) {
    // A mnemonic's '&' takes no room; "&&" shows one.
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

int Widest(const QWidget* widget, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, widget->fontMetrics().horizontalAdvance(line));
    return widest;
}

bool CannotGrow(const QWidget* widget) {
    const QWidget* window = widget->window();
    return widget->minimumWidth() == widget->maximumWidth() ||
           window->minimumWidth() == window->maximumWidth();
}

QString Name(const QWidget* widget) {
    return widget->objectName().isEmpty() ? QLatin1String(widget->metaObject()->className())
                                          : widget->objectName();
}

// The text a control shows and the room it has, or a negative room for one
// the audit does not measure.
QPair<QString, int> TextAndRoom(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (!label->pixmap(Qt::ReturnByValue).isNull())
            return {QString(), -1};
        return {Shown(label->text()), KivElidedText::Room(label)};
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return {Shown(button->text()), KivElidedText::Room(button)};
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (!edit->text().isEmpty())
            return {QString(), -1};
        return {edit->placeholderText(), KivElidedText::Room(edit)};
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        return {combo->currentText(), field.width()};
    }
    return {QString(), -1};
}

}  // namespace

QStringList KivTextFit::Problems(QWidget* window) {
    QStringList problems;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        const auto [text, room] = TextAndRoom(widget);
        if (text.isEmpty() || room < 0)
            continue;
        const int width = Widest(widget, text);
        if (width > room) {
            problems << QStringLiteral("%1 \"%2\": %3 px in %4")
                            .arg(Name(widget), text)
                            .arg(width)
                            .arg(room);
        } else if (const QString full = KivElidedText::FullText(widget);
                   !full.isEmpty() && Shown(full) != text) {
            const bool whole = widget->toolTip() == KivPlainText::ToolTip(full);
            if (!whole || !CannotGrow(widget))
                problems << QStringLiteral("%1 \"%2\": cut%3")
                                .arg(Name(widget), text,
                                     whole ? QStringLiteral(" where it could grow")
                                           : QStringLiteral(
                                                 " without the whole text in its tool tip"));
        }
    }
    return problems;
}
