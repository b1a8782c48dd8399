#include "chat/CChatHistoryList.h"

#include <QAccessible>
#include <QPixmap>
#include <QScrollBar>
#include <QTime>
#include <QTimer>
#include <algorithm>

#include "chat/CChatItem.h"
#include "chat/CTextDocument.h"
#include "chat/KivChatTimeText.h"
#include "chat/KivWidgetRowDelegate.h"
#include "shell/KivIMMainDlg.h"
#include "support/KivHeadPath.h"
#include "support/KivSafeImage.h"

CChatHistoryList::CChatHistoryList(QWidget* parent) : QListWidget(parent) {
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(20);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    // Reached by Tab, where the arrow keys read the bubbles; a click leaves
    // the focus in the input.
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("聊天消息"));
    setStyleSheet(
        QStringLiteral("QListWidget{border:none;background-color:rgb(255,255,255);}"
                       "QListWidget::item:selected{background-color:transparent;}"));
    setItemDelegate(new KivWidgetRowDelegate(this));
    connect(this, &QListWidget::itemClicked, this, &CChatHistoryList::clickedItem);
}

void CChatHistoryList::clickedItem(QListWidgetItem*) {}

void CChatHistoryList::setHeadPaths(const QString& ownPath, const QString& friendPath) {
    if (ownPath != m_ownHeadPath || friendPath != m_friendHeadPath) {
        m_ownHead = QImage();
        m_friendHead = QImage();
    }
    m_ownHeadPath = ownPath;
    m_friendHeadPath = friendPath;
}

void CChatHistoryList::setHeadImages(const QString& ownPath, const QString& friendPath) {
    auto load = [](const QString& path) {
        const int side = 2 * CChatItem::kHeadSize;
        QString error;
        const QImage head = KivSafeImage::Load(KivHeadPath::OrDefault(path), &error);
        return head.isNull()
                   ? head
                   : head.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    };
    m_ownHead = load(ownPath);
    m_friendHead = load(friendPath);
}

void CChatHistoryList::SetNames(const QString& ownName, const QString& friendName) {
    m_ownName = ownName;
    m_friendName = friendName;
}

CChatItem* CChatHistoryList::addChatMessage(const QString& text, bool own) {
    FlushBacklog();
    CChatItem* item = AddBubble(text, own, count());
    item->show();
    DropOldest();
    scrollToBottom();
    // A message that arrives in sight is read out, wherever the focus is.
    if (!own && isVisible()) {
        QAccessibleEvent alert(item, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
    return item;
}

CChatItem* CChatHistoryList::addCard(const QStringList& htmlLines, const QString& spoken,
                                     bool own) {
    FlushBacklog();
    CChatItem* item = AddRow(htmlLines, spoken, own, count());
    item->show();
    DropOldest();
    scrollToBottom();
    return item;
}

void CChatHistoryList::addChatMessages(const QStringList& texts, bool own) {
    FlushBacklog();
    // Only the newest ones would stay. A screenful is built now, the older
    // ones above it in the next turns, so a long pile shows at once.
    const QStringList kept = texts.mid(std::max(0, int(texts.size()) - kMaxLiveMessages));
    const int now = std::min<int>(kept.size(), kFirstScreen);
    const int firstNew = count();
    for (int i = kept.size() - now; i < kept.size(); ++i)
        AddBubble(kept[i], own, count())->hide();
    if (now < kept.size()) {
        m_backlog = kept.mid(0, kept.size() - now);
        m_backlogOwn = own;
        m_backlogBefore = item(firstNew);
        QTimer::singleShot(0, this, &CChatHistoryList::BuildBacklogChunk);
    }
    DropOldest();
    scrollToBottom();
    updateEditorGeometries();
}

void CChatHistoryList::BuildBacklogChunk() {
    if (m_backlog.isEmpty() || !m_backlogBefore)
        return;
    QScrollBar* bar = verticalScrollBar();
    const int fromBottom = bar->maximum() - bar->value();
    const int chunk = std::min<int>(m_backlog.size(), kBacklogChunk);
    const QStringList texts = m_backlog.mid(m_backlog.size() - chunk);
    m_backlog.erase(m_backlog.end() - chunk, m_backlog.end());
    // Newest first, each in the same place above the one before: the chunk
    // ends up in order.
    const int at = row(m_backlogBefore);
    for (int i = texts.size() - 1; i >= 0; --i)
        AddBubble(texts[i], m_backlogOwn, at)->hide();
    m_backlogBefore = item(at);
    DropOldest();
    // What the user looks at stays where it is while older rows come in above.
    doItemsLayout();
    bar->setValue(bar->maximum() - fromBottom);
    updateEditorGeometries();
    if (m_backlog.isEmpty()) {
        m_backlogBefore = nullptr;
    } else {
        QTimer::singleShot(0, this, &CChatHistoryList::BuildBacklogChunk);
    }
}

void CChatHistoryList::FlushBacklog() {
    while (!m_backlog.isEmpty() && m_backlogBefore)
        BuildBacklogChunk();
    m_backlog.clear();
    m_backlogBefore = nullptr;
}

CChatItem* CChatHistoryList::AddBubble(const QString& text, bool own, int at) {
    QString plain = text;
    return AddRow(KivIMMainDlg::PlainToHtml(plain), text, own, at);
}

CChatItem* CChatHistoryList::AddRow(const QStringList& lines, const QString& text, bool own,
                                    int at) {
    if (m_ownHead.isNull() || m_friendHead.isNull())
        setHeadImages(m_ownHeadPath, m_friendHeadPath);

    auto* row = new QListWidgetItem;
    row->setFlags(Qt::ItemIsEnabled);
    row->setSizeHint(QSize(0, 100));
    insertItem(at, row);
    QFont font = this->font();
    font.setPointSize(16);
    auto* item = new CChatItem(this, row, font);
    item->SetPlainText(text);
    const QString spoken = tr("%1 %2：%3")
                               .arg(own ? m_ownName : m_friendName,
                                    KivChatTimeText::Clock(QTime::currentTime()), text);
    row->setData(Qt::AccessibleTextRole, spoken);
    item->setAccessibleName(spoken);
    item->setHead(QPixmap::fromImage(own ? m_ownHead : m_friendHead));
    m_bubbles.insert(row, item);
    setItemWidget(row, item);
    item->setContent(lines, own);
    connect(item, &CChatItem::ResendRequested, this, &CChatHistoryList::ResendRequested);
    connect(item, &CChatItem::ActionClicked, this, &CChatHistoryList::ActionClicked);
    return item;
}

CChatItem* CChatHistoryList::itemAt(int row) const {
    return m_bubbles.value(item(row));
}

void CChatHistoryList::DropOldest() {
    int row = 0;
    while (count() > kMaxLiveMessages && row < count()) {
        CChatItem* oldest = itemAt(row);
        // A message that did not leave stays until it is sent again.
        if (oldest && oldest->IsFailed()) {
            ++row;
            continue;
        }
        // Deleted now rather than later: a busy conversation may not return
        // to the event loop between messages.
        QListWidgetItem* entry = takeItem(row);
        // Rows still to be built would go above this one: older than all kept.
        if (entry == m_backlogBefore) {
            m_backlogBefore = nullptr;
            m_backlog.clear();
        }
        m_bubbles.remove(entry);
        delete entry;
        delete oldest;
    }
}

void CChatHistoryList::updateEditorGeometries() {
    // Rows stack from the top without spacing, each as high as its size hint:
    // adding them up is far cheaper than asking the view for every row.
    const int margin = viewport()->height();
    const int width = viewport()->width();
    int top = -verticalOffset();
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* entry = item(row);
        const int height = entry->sizeHint().height();
        CChatItem* widget = m_bubbles.value(entry);
        if (widget) {
            if (top + height > -margin && top < viewport()->height() + margin) {
                widget->setGeometry(0, top, width, height);
                widget->show();
            } else if (!widget->isHidden()) {
                widget->hide();
            }
        }
        top += height;
    }
}

void CChatHistoryList::scrollContentsBy(int dx, int dy) {
    QListWidget::scrollContentsBy(dx, dy);
    updateEditorGeometries();
}

void CChatHistoryList::showEvent(QShowEvent* event) {
    QListWidget::showEvent(event);
    m_viewportWidth = viewport()->width();
}

void CChatHistoryList::paintEvent(QPaintEvent* event) {
    FollowViewportWidth();
    QListWidget::paintEvent(event);
}

void CChatHistoryList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    FollowViewportWidth();
}

void CChatHistoryList::FollowViewportWidth() {
    const int width = viewport()->width();
    if (m_viewportWidth == 0 || width == m_viewportWidth)
        return;
    m_viewportWidth = width;
    for (int row = 0; row < count(); ++row) {
        if (CChatItem* chat = itemAt(row))
            chat->ListWidthChanged();
    }
}
