#include "chat/CChatItem.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmapCache>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>

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
    connect(m_pBody, &CTextBrowserEx::ActionClicked, this,
            [this](const QString& action) { emit ActionClicked(this, action); });
    m_pBody->AppendLines(htmlLines);
    Relayout();
    m_pBody->show();
    m_pHead->show();
}

void CChatItem::ReplaceContent(const QStringList& htmlLines, const QImage& picture) {
    if (!m_pBody)
        return;
    m_pBody->clear();
    if (!picture.isNull())
        m_pBody->document()->addResource(QTextDocument::ImageResource,
                                         QUrl(QStringLiteral("kivpicture:shown")), picture);
    m_pBody->AppendLines(htmlLines);
    m_pBody->SetRelayout(true);
    Relayout();
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
    PlaceMark(m_pFailedMark);
    PlaceMark(m_pSendingMark);
    if (m_pRow)
        m_pRow->setSizeHint(QSize(0, m_pBody->geometry().bottom() + 1 + 10));
    update();
}

void CChatItem::PlaceMark(QWidget* mark) {
    if (!mark || !m_pBody)
        return;
    const QRect body = m_pBody->geometry();
    mark->move(body.right() + 6, body.center().y() - mark->height() / 2);
}

void CChatItem::SetFailed(bool failed) {
    m_bFailed = failed;
    if (failed)
        SetSending(false);
    if (failed && !m_pFailedMark) {
        m_pFailedMark = new QToolButton(this);
        m_pFailedMark->setObjectName(QStringLiteral("failedMark"));
        m_pFailedMark->setText(QStringLiteral("!"));
        m_pFailedMark->setToolTip(tr("发送失败，点击重新发送"));
        m_pFailedMark->setCursor(Qt::PointingHandCursor);
        m_pFailedMark->setFixedSize(18, 18);
        m_pFailedMark->setStyleSheet(QStringLiteral(
            "QToolButton{border:none;border-radius:9px;background-color:rgb(230,72,72);"
            "color:white;font-weight:bold;}QToolButton:hover{background-color:rgb(245,96,96);}"));
        connect(m_pFailedMark, &QToolButton::clicked, this, [this] { emit ResendRequested(this); });
    }
    if (m_pFailedMark) {
        m_pFailedMark->setToolTip(tr("发送失败，点击重新发送"));
        m_pFailedMark->setVisible(failed);
        if (m_pBody)
            Place(m_pBody->size());
    }
}

void CChatItem::SetHeld(bool held, bool wasSent) {
    SetFailed(held);
    if (!m_pFailedMark)
        return;
    m_pFailedMark->setToolTip(wasSent ? tr("连接中断，服务器未确认收到，消息将在连接恢复后重新发送")
                                      : tr("网络已断开，消息将在连接恢复后自动发送"));
    m_pFailedMark->setAccessibleName(m_pFailedMark->toolTip());
}

namespace {

// A small grey clock face, drawn for the screen's density.
QPixmap ClockPicture(int side, qreal ratio) {
    QPixmap picture(QSize(side, side) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor grey(140, 140, 140);
    p.setPen(QPen(grey, 1.4));
    const QRectF face(1.5, 1.5, side - 3.0, side - 3.0);
    p.drawEllipse(face);
    const QPointF centre = face.center();
    p.drawLine(centre, centre - QPointF(0, face.height() * 0.32));
    p.drawLine(centre, centre + QPointF(face.width() * 0.25, 0));
    return picture;
}

}  // namespace

void CChatItem::SetSending(bool sending) {
    m_bSending = sending;
    if (sending) {
        m_bFailed = false;
        if (m_pFailedMark)
            m_pFailedMark->hide();
    }
    if (sending && !m_pSendingMark) {
        m_pSendingMark = new QLabel(this);
        m_pSendingMark->setObjectName(QStringLiteral("sendingMark"));
        m_pSendingMark->setFixedSize(14, 14);
        m_pSendingMark->setPixmap(ClockPicture(14, devicePixelRatioF()));
        m_pSendingMark->setToolTip(tr("正在发送，等待服务器确认收到"));
        m_pSendingMark->setAccessibleName(m_pSendingMark->toolTip());
    }
    if (m_pSendingMark) {
        m_pSendingMark->setVisible(sending);
        PlaceMark(m_pSendingMark);
    }
}

QString CChatItem::MarkTip() const {
    if (m_bSending && m_pSendingMark)
        return m_pSendingMark->toolTip();
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
