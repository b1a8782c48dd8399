#include "shell/QCustomLineEdit.h"

#include <QPainter>

QCustomLineEdit::QCustomLineEdit(QWidget* parent) : QLineEdit(parent) {}

void QCustomLineEdit::SetIcon(const QPixmap& icon) {
    m_icon = icon;
    update();
}

void QCustomLineEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (m_icon.isNull() || !text().isEmpty() || hasFocus()) {
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(kIconX, (height() - m_icon.height()) / 2, m_icon);
}
