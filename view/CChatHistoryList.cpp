#include "CChatHistoryList.h"

#include <QPixmap>
#include <QScrollBar>

#include "CChatItem.h"
#include "CTextDocument.h"
#include "KivHeadPath.h"
#include "KivIMMainDlg.h"

CChatHistoryList::CChatHistoryList(QWidget* parent) : QListWidget(parent) {
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(20);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(
        QStringLiteral("QListWidget{border:none;background-color:rgb(255,255,255);}"
                       "QListWidget::item:selected{background-color:transparent;}"));
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
    const int side = 2 * CChatItem::kHeadSize;
    auto load = [side](const QString& path) {
        QImage head(KivHeadPath::OrDefault(path));
        return head.isNull()
                   ? head
                   : head.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    };
    m_ownHead = load(ownPath);
    m_friendHead = load(friendPath);
}

CChatItem* CChatHistoryList::addChatMessage(const QString& text, bool own) {
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
    setItemWidget(row, item);
    item->setContent(lines, own);
    connect(item, &CChatItem::ResendRequested, this, &CChatHistoryList::ResendRequested);
    item->show();
    DropOldest();
    scrollToBottom();
    return item;
}

CChatItem* CChatHistoryList::itemAt(int row) const {
    return qobject_cast<CChatItem*>(itemWidget(item(row)));
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
        delete takeItem(row);
    }
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
