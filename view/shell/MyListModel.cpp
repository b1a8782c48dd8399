#include "shell/MyListModel.h"

MyListModel::MyListModel(QObject* parent) : QAbstractListModel(parent) {}

int MyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.size();
}

QVariant MyListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.model() != this || index.column() != 0 || index.row() < 0 ||
        index.row() >= m_rows.size() || role != Qt::DisplayRole) {
        return {};
    }
    return m_rows.at(index.row());
}

bool MyListModel::insertRows(int row, int count, const QStringList& rowData) {
    if (row < 0 || row > m_rows.size() || count < 0) {
        return false;
    }
    beginInsertRows(QModelIndex(), row, row + count - 1);
    for (int i = 0; i < count; ++i) {
        m_rows.insert(row, rowData);
    }
    endInsertRows();
    return true;
}

bool MyListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count < 0 || row > m_rows.size() ||
        count > m_rows.size() - row) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    m_rows.erase(m_rows.begin() + row, m_rows.begin() + row + count);
    endRemoveRows();
    return true;
}

void MyListModel::getData(const QList<QStringList>& rows) {
    beginResetModel();
    m_rows = rows;
    endResetModel();
}
