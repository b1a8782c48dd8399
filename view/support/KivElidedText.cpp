#include "KivElidedText.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>

#include "support/KivPlainText.h"

namespace {

const char* const kFullText = "kivFullText";

QStyleOptionButton ButtonOption(const QAbstractButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    return option;
}

QString Elide(const QWidget* widget, const QString& text) {
    const int room = KivElidedText::Room(widget);
    if (room < 0)
        return text;
    return widget->fontMetrics().elidedText(text, Qt::ElideRight, room);
}

void Show(QLabel* label, const QString& text) {
    const QString shown = Elide(label, text);
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : KivPlainText::ToolTip(text));
}

// Cuts the text again when the label's width or font changes (a layout
// settles, the skin is applied).
class Refit : public QObject {
public:
    explicit Refit(QLabel* label) : QObject(label) { label->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange) {
            Show(static_cast<QLabel*>(watched), watched->property(kFullText).toString());
        }
        return false;
    }
};

void Keep(QLabel* label, const QString& text) {
    if (!label->property(kFullText).isValid())
        new Refit(label);
    label->setProperty(kFullText, text);
}

}  // namespace

void KivElidedText::Apply(QLabel* label, const QString& text) {
    // Names and times from peers are shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    Keep(label, text);
    Show(label, text);
}

QString KivElidedText::FullText(const QWidget* widget) {
    return widget->property(kFullText).toString();
}

int KivElidedText::Room(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->wordWrap() || label->textFormat() == Qt::RichText)
            return -1;
        return label->contentsRect().width() - 2 * label->margin();
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(widget)) {
        const QStyleOptionButton option = ButtonOption(box);
        return box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(widget)) {
        const QStyleOptionButton option = ButtonOption(radio);
        return radio->style()
            ->subElementRect(QStyle::SE_RadioButtonContents, &option, radio)
            .width();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        const QStyleOptionButton option = ButtonOption(button);
        int room =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
        if (!button->icon().isNull())
            room -= button->iconSize().width() + 4;
        return room;
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->hasFrame() ? 1 : 0;
        const QMargins margins = edit->textMargins();
        // QLineEdit keeps two pixels clear on each side of its text.
        return edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() -
               margins.left() - margins.right() - 4;
    }
    return -1;
}
