#include "chat/KivWidgetRowDelegate.h"

#include <QWidget>

KivWidgetRowDelegate::KivWidgetRowDelegate(QObject* parent) : QAbstractItemDelegate(parent) {}

void KivWidgetRowDelegate::paint(QPainter*, const QStyleOptionViewItem&, const QModelIndex&) const {
}

QSize KivWidgetRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    return index.data(Qt::SizeHintRole).toSize();
}

void KivWidgetRowDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                const QModelIndex&) const {
    editor->setGeometry(option.rect);
}
