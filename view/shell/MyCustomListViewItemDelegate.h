#pragma once

#include <QItemDelegate>
#include <memory>

class MyCustomListViewItem;
class QAbstractItemView;

// Paints friend rows by rendering one hidden item widget (the stamp) for each
// row. Installed per row by the main window, so a row's tip and blinking live
// in its own stamp.
class MyCustomListViewItemDelegate : public QItemDelegate {
    Q_OBJECT
public:
    // The view (also the parent) is repainted whenever the stamp blinks.
    explicit MyCustomListViewItemDelegate(QAbstractItemView* view = nullptr);
    ~MyCustomListViewItemDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    MyCustomListViewItem* item() const;
    bool HasItem() const { return m_item != nullptr; }

private:
    // The head picture drawn for path: decoded once per file version and kept
    // scaled; a missing or unreadable picture gives the default head.
    static QPixmap HeadPixmap(const QString& path);

    QAbstractItemView* m_view = nullptr;
    // Unparented and never shown: it only lends its look to the rows.
    mutable std::unique_ptr<MyCustomListViewItem> m_item;
};
