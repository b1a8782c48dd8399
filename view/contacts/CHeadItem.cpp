#include "contacts/CHeadItem.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

CHeadItem::CHeadItem(const QString& imagePath, QWidget* parent)
    : QWidget(parent),
      m_path(imagePath),
      m_background(QStringLiteral("Resources/skin/kivChoiceHeaddlg/HeadBk.png")),
      m_selectedBackground(QStringLiteral("Resources/skin/kivChoiceHeaddlg/HeadBkSel.png")) {
    setFixedSize(kSide, kSide);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("头像 %1").arg(HeadNumberOf(imagePath)));
    const int inner = kSide - 2 * kInset;
    m_head = QPixmap(imagePath).scaled(inner, inner, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

int CHeadItem::HeadNumberOf(const QString& path) {
    // The digits between the last "_" and the last ".".
    const QString name = QFileInfo(path).fileName();
    const int underscore = name.lastIndexOf(QLatin1Char('_'));
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (underscore < 0 || dot <= underscore + 1)
        return -1;
    bool ok = false;
    const int number = name.mid(underscore + 1, dot - underscore - 1).toInt(&ok);
    return ok && number >= 0 ? number : -1;
}

void CHeadItem::SetSelected(bool selected) {
    m_selected = selected;
    setAccessibleDescription(selected ? tr("已选择") : QString());
    update();
}

void CHeadItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_selected ? m_selectedBackground : m_background);
    const QRect inner = rect().adjusted(kInset, kInset, -kInset, -kInset);
    const QPoint at(inner.x() + (inner.width() - m_head.width()) / 2,
                    inner.y() + (inner.height() - m_head.height()) / 2);
    painter.drawPixmap(at, m_head);
}

void CHeadItem::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit ItemSelected(this);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CHeadItem::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit ItemSelected(this);
}
