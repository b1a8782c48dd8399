#include "CChatRecord.h"

#include <QDateTime>
#include <QTextDocument>

#include "CChatRecordItem.h"
#include "CTextBrowserEx.h"
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
    m_pMeasure = CChatRecordItem::NewBody(viewport());
    m_pMeasure->hide();
}

CChatRecord::~CChatRecord() {
    qDeleteAll(m_widgets);
}

void CChatRecord::Reset() {
    // The rows' widgets go now, so paging quickly never piles them up.
    qDeleteAll(m_widgets);
    m_widgets.clear();
    m_entries.clear();
    clear();
    m_currentDate = QDate();
}

int CChatRecord::MessageHeight(const QStringList& lines) {
    m_pMeasure->clear();
    m_pMeasure->AppendLines(lines);
    return CChatRecordItem::RowHeightFor(m_pMeasure->document()->size().height());
}

void CChatRecord::InsertRow(int at, const Entry& entry, int height) {
    auto* row = new QListWidgetItem;
    row->setFlags(Qt::ItemIsEnabled);
    row->setSizeHint(QSize(0, height));
    // Known before the view hears of the row: inserting lays the rows out.
    m_entries.insert(row, entry);
    insertItem(at, row);
}

void CChatRecord::AddMessage(const QString& text, const QString& name, const QString& time,
                             bool own) {
    QString plain = text;
    const QDateTime when = QDateTime::fromString(time, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    // A row without a readable time still shows, under the date line of the
    // rows around it.
    const QDate date = when.isValid() ? when.date() : m_currentDate;
    if (date != m_currentDate || count() == 0) {
        Entry line;
        line.kind = CChatRecordItem::DateLine;
        line.date = date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
        InsertRow(0, line, CChatRecordItem::kDateLineHeight);
        m_currentDate = date;
    }
    Entry message;
    message.kind = own ? CChatRecordItem::OwnMessage : CChatRecordItem::FriendMessage;
    message.lines = KivIMMainDlg::PlainToHtml(plain);
    message.name = name;
    message.time = when.isValid() ? when.toString(QStringLiteral("hh:mm:ss")) : time;
    InsertRow(1, message, MessageHeight(message.lines));
}

CChatRecordItem* CChatRecord::WidgetFor(QListWidgetItem* row) {
    if (CChatRecordItem* widget = m_widgets.value(row))
        return widget;
    const auto entry = m_entries.constFind(row);
    if (entry == m_entries.constEnd())
        return nullptr;
    auto* widget = new CChatRecordItem(viewport(), row, CChatRecordItem::Kind(entry->kind));
    if (entry->kind == CChatRecordItem::DateLine) {
        widget->SetDate(entry->date);
    } else {
        widget->SetMessage(entry->lines, entry->name, entry->time);
    }
    widget->hide();
    m_widgets.insert(row, widget);
    return widget;
}

CChatRecordItem* CChatRecord::rowAt(int row) {
    return WidgetFor(item(row));
}

void CChatRecord::updateEditorGeometries() {
    // Rows stack from the top without spacing, each as high as its size hint.
    const int margin = viewport()->height() / 2;
    const int width = viewport()->width();
    int top = -verticalOffset();
    for (int index = 0; index < count(); ++index) {
        QListWidgetItem* row = item(index);
        const int height = row->sizeHint().height();
        const bool inSight = top + height > -margin && top < viewport()->height() + margin;
        if (inSight) {
            if (CChatRecordItem* widget = WidgetFor(row)) {
                widget->setGeometry(0, top, width, height);
                widget->show();
            }
        } else if (CChatRecordItem* widget = m_widgets.value(row)) {
            widget->hide();
        }
        top += height;
    }
}

void CChatRecord::scrollContentsBy(int dx, int dy) {
    QListWidget::scrollContentsBy(dx, dy);
    updateEditorGeometries();
}
