#pragma once

#include <QAbstractItemDelegate>

// For lists whose rows are widgets (setItemWidget): a row is as high as its
// size hint says, nothing is painted under the widget, and the widget is
// simply placed on its row. The stock delegate would build a full style
// option per row on every layout, which a list of a few hundred rows redoes
// for each new message.
class KivWidgetRowDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    explicit KivWidgetRowDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
};
