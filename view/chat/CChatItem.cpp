#include "chat/CChatItem.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmapCache>
#include <QToolButton>

#include "chat/CTextDocument.h"

namespace {

const QColor kBubbleInside(232, 232, 232);
// Width of the bubble's pointer side in the corner pictures, and of the
// plain corners.
constexpr int kPointerCorner = 28;
constexpr int kPointerGutter = 18;
constexpr int kCorner = 10;

QPixmap BubblePart(const char* name) {
    const QString path =
        QStringLiteral("Resources/skin/kivIMChatDlg/HistoryList/") + QLatin1String(name);
    QPixmap part;
    if (!QPixmapCache::find(path, &part)) {
        part.load(path);
        QPixmapCache::insert(path, part);
    }
    return part;
}

// The nine-part bubble filling size, pointer on the left.
void PaintBubble(QPainter& p, const QSize& size) {
    const int w = size.width();
    const int h = size.height();
    const int innerW = w - kPointerCorner - kCorner;
    p.fillRect(kPointerCorner, kCorner, innerW, h - 2 * kCorner, kBubbleInside);
    p.fillRect(kPointerGutter, kPointerCorner, kPointerCorner - kPointerGutter,
               h - kPointerCorner - kCorner, kBubbleInside);
    const QPixmap line = BubblePart("line.png");
    if (!line.isNull()) {
        p.drawPixmap(QRect(kPointerCorner, 0, innerW, kCorner), line);
        p.drawPixmap(QRect(kPointerCorner, h - kCorner, innerW, kCorner), line);
        p.drawPixmap(QRect(kPointerGutter, kPointerCorner, kPointerCorner - kPointerGutter,
                           h - kPointerCorner - kCorner),
                     line);
        p.drawPixmap(QRect(w - kCorner, kCorner, kCorner, h - 2 * kCorner), line);
    }
    p.drawPixmap(0, 0, BubblePart("LT.png"));
    p.drawPixmap(0, h - kCorner, BubblePart("LB.png"));
    p.drawPixmap(w - kCorner, 0, BubblePart("RT.png"));
    p.drawPixmap(w - kCorner, h - kCorner, BubblePart("RB.png"));
}

}  // namespace

CChatItem::CChatItem(QListWidget* list, QListWidgetItem* row, const QFont& font)
    : QWidget(list), m_pList(list), m_pRow(row) {
    setFont(font);
    m_pHead = new QLabel(this);
    m_pHead->setAlignment(Qt::AlignCenter);
}

void CChatItem::setHead(const QPixmap& head) {
    // Scaled once for the screen's density, so the head stays sharp at any scale.
    const qreal ratio = devicePixelRatioF();
    QPixmap shown = head.isNull() ? head
                                  : head.scaled(QSize(kHeadSize, kHeadSize) * ratio,
                                                Qt::KeepAspectRatio, Qt::SmoothTransformation);
    shown.setDevicePixelRatio(ratio);
    m_pHead->setPixmap(shown);
}

void CChatItem::setContent(const QStringList& htmlLines, bool own) {
    m_bOwn = own;
    m_pBody = new CTextDocument(this, own);
    connect(m_pBody, &CTextDocument::RelayoutRequested, this, &CChatItem::Relayout);
    m_pHead->resize(kHeadSize, kHeadSize);
    m_pBody->resize(CTextDocument::kMaxWidth, 70);
    m_pBody->AppendLines(htmlLines);
    Relayout();
    m_pBody->show();
    m_pHead->show();
}

void CChatItem::Relayout() {
    if (!m_pBody)
        return;
    const QSize size = m_pBody->MeasuredSize();
    m_pBody->SetRelayout(false);
    Place(size);
}

void CChatItem::ListWidthChanged() {
    if (!m_pBody)
        return;
    // Placing is cheap and keeps the rows off screen aligned as well.
    Place(m_pBody->size());
    m_pBody->SetRelayout(true);
    m_pBody->update();
}

void CChatItem::Place(const QSize& bodySize) {
    // Heads keep the same margin from either edge; the body sits 10 pixels
    // from its head.
    if (m_bOwn) {
        m_pHead->move(kEdge, kTop);
        m_pBody->setGeometry(QRect(QPoint(kEdge + kHeadSize + kGap, kTop), bodySize));
    } else {
        const int head = m_pList->viewport()->width() - kEdge - kHeadSize;
        m_pHead->move(head, kTop);
        m_pBody->setGeometry(QRect(QPoint(head - kGap - bodySize.width(), kTop), bodySize));
    }
    if (m_pFailedMark) {
        const QRect body = m_pBody->geometry();
        m_pFailedMark->move(body.right() + 6, body.center().y() - m_pFailedMark->height() / 2);
    }
    if (m_pRow)
        m_pRow->setSizeHint(QSize(0, m_pBody->geometry().bottom() + 1 + 10));
    update();
}

void CChatItem::SetFailed(bool failed) {
    m_bFailed = failed;
    if (failed && !m_pFailedMark) {
        m_pFailedMark = new QToolButton(this);
        m_pFailedMark->setObjectName(QStringLiteral("failedMark"));
        m_pFailedMark->setText(QStringLiteral("!"));
        m_pFailedMark->setToolTip(QStringLiteral("发送失败，点击重新发送"));
        m_pFailedMark->setCursor(Qt::PointingHandCursor);
        m_pFailedMark->setFixedSize(18, 18);
        m_pFailedMark->setStyleSheet(QStringLiteral(
            "QToolButton{border:none;border-radius:9px;background-color:rgb(230,72,72);"
            "color:white;font-weight:bold;}QToolButton:hover{background-color:rgb(245,96,96);}"));
        connect(m_pFailedMark, &QToolButton::clicked, this, [this] { emit ResendRequested(this); });
    }
    if (m_pFailedMark) {
        m_pFailedMark->setToolTip(QStringLiteral("发送失败，点击重新发送"));
        m_pFailedMark->setVisible(failed);
        if (m_pBody)
            Place(m_pBody->size());
    }
}

void CChatItem::SetHeld(bool held) {
    SetFailed(held);
    if (m_pFailedMark)
        m_pFailedMark->setToolTip(QStringLiteral("网络已断开，消息将在连接恢复后自动发送"));
}

QString CChatItem::MarkTip() const {
    return m_pFailedMark && m_bFailed ? m_pFailedMark->toolTip() : QString();
}

void CChatItem::paintEvent(QPaintEvent*) {
    if (!m_pBody)
        return;
    const QRect body = m_pBody->geometry();
    QImage bubble(body.size(), QImage::Format_ARGB32_Premultiplied);
    bubble.fill(Qt::transparent);
    {
        QPainter p(&bubble);
        PaintBubble(p, body.size());
    }
    QPainter painter(this);
    painter.drawImage(body.topLeft(), m_bOwn ? bubble : bubble.mirrored(true, false));
}
