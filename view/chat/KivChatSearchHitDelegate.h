#pragma once

#include <QStyledItemDelegate>

// Draws a hit: the date and the sender on the first line, the message's
// plain text on the second, starting a little before the first place the
// query stands, each such place highlighted. The text is drawn as text,
// never read as markup.
class KivChatSearchHitDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The part of `plain` the second line shows, and the highlighted spans in it.
    static QString Excerpt(const QString& plain, QVector<QPair<int, int>>* spans);
};
