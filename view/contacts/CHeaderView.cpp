#include "contacts/CHeaderView.h"

#include <QPainter>

CHeaderView::CHeaderView(int side, const QString& framePicture, QWidget* parent)
    : QWidget(parent), m_frame(framePicture) {
    setFixedSize(side, side);
}

void CHeaderView::refreshImage(QImage* image) {
    m_shown = image && !image->isNull()
                  ? QPixmap::fromImage(
                        image->scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
                  : QPixmap();
    update();
}

void CHeaderView::Clear() {
    m_shown = QPixmap();
    update();
}

void CHeaderView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xe3, 0xe3, 0xe3));
    if (!m_shown.isNull())
        painter.drawPixmap(0, 0, m_shown);
    if (!m_frame.isNull())
        painter.drawPixmap(rect(), m_frame);
}
