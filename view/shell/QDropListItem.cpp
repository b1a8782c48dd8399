#include "shell/QDropListItem.h"

#include <QPainter>
#include <QPushButton>

namespace {

const int kHeadMargin = 5;
const int kTextGap = 10;
const int kTextWidth = 200;
const int kMiddleGap = 2;

}  // namespace

QDropListItem::QDropListItem(const QString& account, const QString& secondText, const QPixmap& head,
                             QListWidgetItem* item, QWidget* parent)
    : QWidget(parent), m_account(account), m_secondText(secondText), m_head(head), m_item(item) {
    m_pBt = new QPushButton(this);
    m_pBt->setObjectName(QStringLiteral("m_pBt"));
    m_pBt->setFlat(true);
    m_pBt->setFocusPolicy(Qt::NoFocus);
    m_pBt->setStyleSheet(
        QStringLiteral("QPushButton{border-image:url(Resources/skin/kivLoginDlg/a.png);}"
                       "QPushButton:hover{border-image:url(Resources/skin/kivLoginDlg/b.png);}"
                       "QPushButton:pressed{border-image:url(Resources/skin/kivLoginDlg/c.png);}"));
    m_pBt->hide();
    connect(m_pBt, &QPushButton::clicked, this, &QDropListItem::Clickd);
}

void QDropListItem::SetSelected(bool selected) {
    m_selected = selected;
    PlaceButton();
    m_pBt->setVisible(selected);
    update();
}

void QDropListItem::Clickd() {
    emit DeleteRequested(m_item);
}

void QDropListItem::PlaceButton() {
    const int h = height();
    const int w = width();
    m_pBt->setGeometry(w - 32, h / 2 - 13, 28, 26);
}

void QDropListItem::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceButton();
}

void QDropListItem::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const int h = height();
    const int side = qMax(0, h - 2 * kHeadMargin);
    if (!m_head.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRect(kHeadMargin, kHeadMargin, side, side), m_head);
    }
    const int textX = kHeadMargin + side + kTextGap;
    if (m_selected) {
        const int middle = h / 2;
        painter.drawText(QRect(textX, 0, kTextWidth, middle - kMiddleGap),
                         Qt::AlignLeft | Qt::AlignBottom, m_secondText);
        painter.drawText(QRect(textX, middle + kMiddleGap, kTextWidth, h - middle - kMiddleGap),
                         Qt::AlignLeft | Qt::AlignTop, m_account);
    } else {
        painter.drawText(QRect(textX, 0, kTextWidth, h), Qt::AlignLeft | Qt::AlignVCenter,
                         m_account);
    }
}
