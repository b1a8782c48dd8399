#include "shell/MyListModel.h"

MyListModel::MyListModel(QObject* parent) : QAbstractListModel(parent) {}

int MyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.size();
}

namespace {

// Fields of a row, as the pages fill them.
constexpr int kNameField = 0;
constexpr int kSecondLine = 2;
constexpr int kUidField = 5;

}  // namespace

QVariant MyListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.model() != this || index.column() != 0 || index.row() < 0 ||
        index.row() >= m_rows.size()) {
        return {};
    }
    const QStringList& row = m_rows.at(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return row;
        case Qt::AccessibleTextRole:
            return row.value(kNameField);
        case Qt::AccessibleDescriptionRole: {
            QStringList parts;
            if (!row.value(kSecondLine).isEmpty())
                parts.append(row.value(kSecondLine));
            const int waiting = m_waiting.value(row.value(kUidField));
            if (waiting > 0)
                parts.append(tr("%n条未读消息", nullptr, waiting));
            return parts.join(tr("，", "between the parts of a row's description"));
        }
        default:
            return {};
    }
}

void MyListModel::SetWaiting(int row, int count) {
    if (row < 0 || row >= m_rows.size())
        return;
    const QString uid = m_rows[row].value(kUidField);
    if (m_waiting.value(uid) == count)
        return;
    if (count > 0)
        m_waiting.insert(uid, count);
    else
        m_waiting.remove(uid);
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {Qt::AccessibleDescriptionRole});
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
