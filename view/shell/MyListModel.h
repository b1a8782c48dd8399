#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QStringList>

// Rows of the main window's pages: one string list per row (name line, head
// picture path, second line, then page-specific fields). Out-of-range edits
// are refused so a late or stale request can never corrupt the list.
class MyListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit MyListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // The row's string list for the display role; for screen readers the
    // name line, and the second line with the unread count.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    using QAbstractListModel::insertRows;
    // Inserts count copies of rowData before row (0 <= row <= rowCount()).
    bool insertRows(int row, int count, const QStringList& rowData);
    // An empty range at a valid row is still announced, so observers see every
    // request; a range reaching outside the list is refused.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    const QList<QStringList>& rows() const { return m_rows; }
    // The messages that wait from the friend of `row` (kept by the friend's
    // uid, so a new list keeps them).
    void SetWaiting(int row, int count);

public slots:
    // Replaces the whole list.
    void getData(const QList<QStringList>& rows);

private:
    QList<QStringList> m_rows;
    QHash<QString, int> m_waiting;
};
