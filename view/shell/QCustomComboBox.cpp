#include "shell/QCustomComboBox.h"

#include "shell/QCustomLineEdit.h"
#include "shell/QCustomListView.h"
#include "shell/QDropListItem.h"

QCustomComboBox::QCustomComboBox(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("CustComboBox"));
    setEditable(true);

    m_lineEdit = new QCustomLineEdit(this);
    m_lineEdit->setObjectName(QStringLiteral("ComBoBoxLine"));
    m_lineEdit->setStyleSheet(QStringLiteral("margin:1px; border:0px;"));
    setLineEdit(m_lineEdit);

    m_listWidget = new QCustomListView(this);
    setModel(m_listWidget->model());
    setView(m_listWidget);

    m_listWidget->setStyleSheet(QStringLiteral(
        "QListWidget{border:1px solid #B0B2B2;}QListWidget::item{color:rgb(255,255,255);}"
        "QListWidget::item:hover{background-color:rgb(211,255,250);color:rgb(211,255,250);}"
        "QListWidget::item:selected{background-color:rgb(211,255,250);color:rgb(211,255,250);}"));
    setStyleSheet(
        QStringLiteral("QComboBox QAbstractItemView { outline: 0px;}"
                       "QComboBox::down-arrow{image:url(Resources/skin/kivLoginDlg/v.png);}"
                       "QComboBox::down-arrow:on{image:url(Resources/skin/kivLoginDlg/v1.png);}"));

    connect(m_listWidget, &QListWidget::currentRowChanged, this, &QCustomComboBox::selchanged);
}

void QCustomComboBox::AddAccount(const QString& account, const QPixmap& head,
                                 const QString& secondText) {
    auto* item = new QListWidgetItem(account);
    auto* row = new QDropListItem(account, secondText, head, item, m_listWidget->viewport());
    connect(row, &QDropListItem::DeleteRequested, this, &QCustomComboBox::RemoveRow);
    row->show();
    SetHeight(item, kRowHeight);
    m_listWidget->addItem(item);
    m_listWidget->setItemWidget(item, row);
}

void QCustomComboBox::SetHeight(QListWidgetItem* item, int height) {
    // A size hint with a negative width would be dropped; the view stretches
    // rows to its width anyway.
    item->setSizeHint(QSize(qMax(0, item->sizeHint().width()), height));
}

QDropListItem* QCustomComboBox::RowWidget(int row) const {
    return qobject_cast<QDropListItem*>(m_listWidget->itemWidget(m_listWidget->item(row)));
}

void QCustomComboBox::SetRowLook(int row, bool current) {
    QListWidgetItem* item = m_listWidget->item(row);
    if (!item) {
        return;
    }
    item->setSizeHint(QSize(item->sizeHint().width(), current ? kCurrentRowHeight : kRowHeight));
    if (QDropListItem* widget = RowWidget(row)) {
        widget->SetSelected(current);
    }
}

void QCustomComboBox::selchanged() {
    const int current = m_listWidget->currentRow();
    if (m_previous.isValid() && m_previous.row() != current) {
        SetRowLook(m_previous.row(), false);
    }
    SetRowLook(current, true);
    m_previous = current >= 0 ? QPersistentModelIndex(m_listWidget->model()->index(current, 0))
                              : QPersistentModelIndex();
}

void QCustomComboBox::RemoveRow(QListWidgetItem* item) {
    const int row = m_listWidget->row(item);
    if (row < 0) {
        return;
    }
    hidePopup();
    const QString account = item->text();
    // The row widget (and the button whose click got us here) is deleted
    // later by the view, never under the running click.
    removeItem(row);
    emit ItemDel(account);
}
