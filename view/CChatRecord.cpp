#include "CChatRecord.h"

#include <QDateTime>

#include "CChatRecordItem.h"
#include "KivIMMainDlg.h"
#include "KivWidgetRowDelegate.h"

CChatRecord::CChatRecord(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("chatRecordList"));
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setItemDelegate(new KivWidgetRowDelegate(this));
}

void CChatRecord::Reset() {
    // The rows' widgets go now, not at the next return to the event loop,
    // so paging quickly never piles them up.
    QList<QWidget*> rows;
    for (int row = 0; row < count(); ++row)
        rows << itemWidget(item(row));
    clear();
    qDeleteAll(rows);
    m_currentDate = QDate();
}

CChatRecordItem* CChatRecord::rowAt(int row) const {
    return qobject_cast<CChatRecordItem*>(itemWidget(item(row)));
}

void CChatRecord::AddMessage(const QString& text, const QString& name, const QString& time,
                             bool own) {
    QString plain = text;
    const QStringList lines = KivIMMainDlg::PlainToHtml(plain);
    const QDateTime when = QDateTime::fromString(time, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    // A row without a readable time still shows, under the date line of the
    // rows around it.
    const QDate date = when.isValid() ? when.date() : m_currentDate;
    if (date != m_currentDate || count() == 0) {
        auto* row = new QListWidgetItem;
        row->setFlags(Qt::ItemIsEnabled);
        insertItem(0, row);
        auto* line = new CChatRecordItem(this, row, CChatRecordItem::DateLine);
        line->SetDate(date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString());
        setItemWidget(row, line);
        m_currentDate = date;
    }
    auto* row = new QListWidgetItem;
    row->setFlags(Qt::ItemIsEnabled);
    insertItem(1, row);
    auto* message = new CChatRecordItem(
        this, row, own ? CChatRecordItem::OwnMessage : CChatRecordItem::FriendMessage);
    message->SetMessage(lines, name,
                        when.isValid() ? when.toString(QStringLiteral("hh:mm:ss")) : time);
    setItemWidget(row, message);
}
