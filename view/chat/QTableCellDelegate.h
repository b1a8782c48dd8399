#pragma once

#include <QStyledItemDelegate>

// Draws the picker's cell rule, then the cell as usual.
class QTableCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit QTableCellDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    // The cell's text (its picture's path) is data, not something to show:
    // only the picture is drawn, centred.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
