#include "chat/QTableCellDelegate.h"

#include <QPainter>

QTableCellDelegate::QTableCellDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void QTableCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    painter->setPen(QColor(200, 219, 230));
    const QRect cell = option.rect;
    painter->drawLine(cell.topLeft(), cell.topRight());
    painter->drawLine(cell.topRight(), cell.bottomRight());
    painter->restore();
    QStyledItemDelegate::paint(painter, option, index);
}

void QTableCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->text.clear();
    option->features &= ~QStyleOptionViewItem::HasDisplay;
    option->decorationAlignment = Qt::AlignCenter;
    option->decorationPosition = QStyleOptionViewItem::Top;
}
