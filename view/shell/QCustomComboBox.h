#pragma once

#include <QComboBox>
#include <QPersistentModelIndex>

class QCustomLineEdit;
class QCustomListView;
class QDropListItem;
class QListWidgetItem;

// The login dialog's account field: an editable combo box whose drop-down
// lists the saved accounts with their heads and a delete button on the
// highlighted row.
class QCustomComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit QCustomComboBox(QWidget* parent = nullptr);

    // Appends a row for account; secondText is shown above it while the row
    // is highlighted.
    void AddAccount(const QString& account, const QPixmap& head,
                    const QString& secondText = QString());

    QCustomLineEdit* LineEdit() const { return m_lineEdit; }
    QCustomListView* ListView() const { return m_listWidget; }
    QDropListItem* RowWidget(int row) const;

    static constexpr int kRowHeight = 28;
    static constexpr int kCurrentRowHeight = 50;

signals:
    void ItemDel(QString account);

public slots:
    void selchanged();

private:
    void RemoveRow(QListWidgetItem* item);
    void SetRowLook(int row, bool current);
    static void SetHeight(QListWidgetItem* item, int height);

    QCustomLineEdit* m_lineEdit = nullptr;
    QCustomListView* m_listWidget = nullptr;
    // Persistent, so removed rows in between never make it point elsewhere.
    QPersistentModelIndex m_previous;
};
