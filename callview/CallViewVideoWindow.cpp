#include "CallViewVideoWindow.h"

#include <QPaintEvent>
#include <QPainter>

CallViewVideoWindow::CallViewVideoWindow(const QColor& fill, QWidget* parent)
    : QWidget(parent), m_fill(fill) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

std::uintptr_t CallViewVideoWindow::NativeId() {
    return std::uintptr_t(winId());
}

void CallViewVideoWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), m_fill);
}
