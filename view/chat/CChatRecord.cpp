#include "chat/CChatRecord.h"

#include "chat/CChatRecordItem.h"
#include "chat/CTextBrowserEx.h"
#include "chat/KivChatTextDocument.h"
#include "chat/KivChatTimeText.h"
#include "chat/KivWidgetRowDelegate.h"
#include "shell/KivIMMainDlg.h"

namespace {

struct Stamp {
    QDate date;
    QString clock;
};

// "yyyy-MM-dd hh:mm:ss" read by hand: the stored text is a wall-clock time,
// and the stock parser consults the time zone for every row. Anything else
// keeps no date and shows as it is.
Stamp ReadStamp(const QString& text) {
    if (text.size() != 19 || text[4] != QLatin1Char('-') || text[7] != QLatin1Char('-') ||
        text[10] != QLatin1Char(' ') || text[13] != QLatin1Char(':') ||
        text[16] != QLatin1Char(':'))
        return {QDate(), text};
    auto number = [&text](int at, int digits) {
        int value = 0;
        for (int i = at; i < at + digits; ++i) {
            if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
                return -1;
            value = value * 10 + (text[i].unicode() - '0');
        }
        return value;
    };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime clock(number(11, 2), number(14, 2), number(17, 2));
    if (!date.isValid() || !clock.isValid())
        return {QDate(), text};
    return {date, KivChatTimeText::ClockWithSeconds(clock)};
}

}  // namespace

CChatRecord::CChatRecord(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("chatRecordList"));
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("消息记录"));
    setFrameShape(QFrame::NoFrame);
    setItemDelegate(new KivWidgetRowDelegate(this));
    m_pModel = CChatRecordItem::NewBody(viewport());
    m_pModel->hide();
}

CChatRecord::~CChatRecord() {
    // Widgets first: their bodies show texts the list owns.
    qDeleteAll(m_widgets);
    for (QVector<CChatRecordItem*>& spare : m_spare)
        qDeleteAll(spare);
}

void CChatRecord::Reset() {
    for (CChatRecordItem* widget : qAsConst(m_widgets)) {
        widget->hide();
        widget->Release();
        m_spare[widget->kind()].append(widget);
    }
    m_widgets.clear();
    for (const Entry& entry : qAsConst(m_entries))
        delete entry.text;
    m_entries.clear();
    clear();
    m_currentDate = QDate();
    m_markedId = 0;
    m_bFilling = true;
}

KivChatTextDocument* CChatRecord::NewText(const QString& plain) {
    // The panel's style decides the body font once the body is polished.
    m_pModel->ensurePolished();
    auto* text = new KivChatTextDocument(this);
    text->setDefaultFont(m_pModel->document()->defaultFont());
    text->setDefaultTextOption(m_pModel->document()->defaultTextOption());
    text->setTextWidth(CChatRecordItem::kTextWidth);
    QString line = plain;
    text->AppendLines(KivIMMainDlg::PlainToHtml(line));
    return text;
}

void CChatRecord::InsertRow(int at, const Entry& entry, int height) {
    auto* row = new QListWidgetItem;
    row->setFlags(Qt::ItemIsEnabled);
    row->setSizeHint(QSize(0, height));
    // Known before the view hears of the row: inserting lays the rows out.
    m_entries.insert(row, entry);
    // What a screen reader says for the row: the date line, or who, when, what.
    row->setData(
        Qt::AccessibleTextRole,
        entry.kind == CChatRecordItem::DateLine
            ? entry.date
            : tr("%1 %2：%3")
                  .arg(entry.name, entry.time, entry.text ? entry.text->toPlainText() : QString()));
    insertItem(at, row);
}

void CChatRecord::AddMessage(const QString& text, const QString& name, const QString& time,
                             bool own, qint64 id) {
    const Stamp stamp = ReadStamp(time);
    // A row without a readable time still shows, under the date line of the
    // rows around it.
    const QDate date = stamp.date.isValid() ? stamp.date : m_currentDate;
    if (date != m_currentDate || count() == 0) {
        Entry line;
        line.kind = CChatRecordItem::DateLine;
        line.date = date.isValid() ? KivChatTimeText::Day(date) : QString();
        InsertRow(0, line, CChatRecordItem::kDateLineHeight);
        m_currentDate = date;
    }
    Entry message;
    message.kind = own ? CChatRecordItem::OwnMessage : CChatRecordItem::FriendMessage;
    message.text = NewText(text);
    message.name = name;
    message.time = stamp.clock;
    message.id = id;
    InsertRow(1, message, CChatRecordItem::RowHeightFor(message.text->size().height()));
}

CChatRecordItem* CChatRecord::WidgetFor(QListWidgetItem* row) {
    if (CChatRecordItem* widget = m_widgets.value(row))
        return widget;
    const auto entry = m_entries.constFind(row);
    if (entry == m_entries.constEnd())
        return nullptr;
    QVector<CChatRecordItem*>& spare = m_spare[entry->kind];
    CChatRecordItem* widget =
        spare.isEmpty() ? new CChatRecordItem(viewport(), CChatRecordItem::Kind(entry->kind))
                        : spare.takeLast();
    widget->SetRow(row);
    if (entry->kind == CChatRecordItem::DateLine) {
        widget->SetDate(entry->date);
    } else {
        widget->SetMessage(entry->text, entry->name, entry->time);
    }
    widget->SetMarked(entry->id != 0 && entry->id == m_markedId);
    widget->hide();
    m_widgets.insert(row, widget);
    return widget;
}

bool CChatRecord::Mark(qint64 id) {
    m_markedId = id;
    QListWidgetItem* found = nullptr;
    for (int row = 0; id != 0 && row < count() && !found; ++row) {
        const auto entry = m_entries.constFind(item(row));
        if (entry != m_entries.constEnd() && entry->id == id)
            found = item(row);
    }
    for (auto it = m_widgets.constBegin(); it != m_widgets.constEnd(); ++it)
        it.value()->SetMarked(it.key() == found);
    if (found) {
        scrollToItem(found, QAbstractItemView::PositionAtCenter);
        updateEditorGeometries();
    }
    return found != nullptr;
}

CChatRecordItem* CChatRecord::rowAt(int row) {
    return WidgetFor(item(row));
}

void CChatRecord::PlaceRows() {
    m_bFilling = false;
    updateEditorGeometries();
}

void CChatRecord::updateEditorGeometries() {
    if (m_bFilling || !updatesEnabled())
        return;
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
