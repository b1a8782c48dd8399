#include "CChatHistoryList.h"

#include <QPixmap>
#include <QScrollBar>
#include <algorithm>

#include "CChatItem.h"
#include "CTextDocument.h"
#include "KivHeadPath.h"
#include "KivIMMainDlg.h"
#include "KivSafeImage.h"
#include "KivWidgetRowDelegate.h"

CChatHistoryList::CChatHistoryList(QWidget* parent) : QListWidget(parent) {
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(20);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
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

CChatItem* CChatHistoryList::addChatMessage(const QString& text, bool own) {
    CChatItem* item = AddBubble(text, own);
    item->show();
    DropOldest();
    scrollToBottom();
    return item;
}

void CChatHistoryList::addChatMessages(const QStringList& texts, bool own) {
    // Only the newest ones would stay; the view lays its rows out once.
    const int skip = std::max(0, int(texts.size()) - kMaxLiveMessages);
    for (int i = skip; i < texts.size(); ++i)
        AddBubble(texts[i], own)->hide();
    DropOldest();
    scrollToBottom();
    updateEditorGeometries();
}

CChatItem* CChatHistoryList::AddBubble(const QString& text, bool own) {
    QString plain = text;
    const QStringList lines = KivIMMainDlg::PlainToHtml(plain);
    if (m_ownHead.isNull() || m_friendHead.isNull())
        setHeadImages(m_ownHeadPath, m_friendHeadPath);

    auto* row = new QListWidgetItem(this);
    row->setFlags(Qt::ItemIsEnabled);
    row->setSizeHint(QSize(0, 100));
    QFont font = this->font();
    font.setPointSize(16);
    auto* item = new CChatItem(this, row, font);
    item->SetPlainText(text);
    item->setHead(QPixmap::fromImage(own ? m_ownHead : m_friendHead));
    m_bubbles.insert(row, item);
    setItemWidget(row, item);
    item->setContent(lines, own);
    connect(item, &CChatItem::ResendRequested, this, &CChatHistoryList::ResendRequested);
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
