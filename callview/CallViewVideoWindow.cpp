#include "CallViewVideoWindow.h"

#include <QPaintEvent>
#include <QPainter>

#include "KivVideoTarget.h"

CallViewVideoWindow::CallViewVideoWindow(const QColor& fill, QWidget* parent)
    : QWidget(parent), m_fill(fill) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (KivVideoDrawsNatively()) {
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        return;
    }
    m_target = new KivVideoTarget(this);
    connect(m_target, &KivVideoTarget::PictureArrived, this,
            QOverload<>::of(&CallViewVideoWindow::update));
}

std::uintptr_t CallViewVideoWindow::NativeId() {
    return m_target ? m_target->Id() : std::uintptr_t(winId());
}

void CallViewVideoWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage picture = m_target ? m_target->Latest() : QImage();
    if (picture.isNull()) {
        painter.fillRect(event->rect(), m_fill);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), picture);
}
