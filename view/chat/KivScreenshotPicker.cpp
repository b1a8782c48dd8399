#include "chat/KivScreenshotPicker.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

KivScreenshotPicker::KivScreenshotPicker(const QImage& screen) : m_screen(screen) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::CrossCursor);
    setAccessibleName(QStringLiteral("截图：拖动鼠标选择区域，Esc 取消"));
    setFocusPolicy(Qt::StrongFocus);
}

KivScreenshotPicker* KivScreenshotPicker::OverScreen() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return nullptr;
    const QImage picture = screen->grabWindow(0).toImage();
    if (picture.isNull())
        return nullptr;
    auto* picker = new KivScreenshotPicker(picture);
    picker->setGeometry(screen->geometry());
    return picker;
}

void KivScreenshotPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(rect(), m_screen);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
    const QRect selection = Selection();
    if (m_dragging && !selection.isEmpty()) {
        const qreal scale = qreal(m_screen.width()) / qMax(1, width());
        const QRect source(selection.topLeft() * scale, selection.size() * scale);
        painter.drawImage(selection, m_screen, source);
        painter.setPen(QPen(QColor(30, 144, 255), 2));
        painter.drawRect(selection.adjusted(0, 0, -1, -1));
        painter.setPen(Qt::white);
        painter.drawText(selection.topLeft() + QPoint(4, -6),
                         QStringLiteral("%1 × %2").arg(selection.width()).arg(selection.height()));
    } else {
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter,
                         QStringLiteral("拖动鼠标选择截图区域，按 Esc 取消"));
    }
}

void KivScreenshotPicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        Finish(false);
        return;
    }
    m_from = m_to = event->pos();
    m_dragging = true;
    update();
}

void KivScreenshotPicker::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging)
        return;
    m_to = event->pos();
    update();
}

void KivScreenshotPicker::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_to = event->pos();
    // A click without a drag is no region: the user may still drag one.
    if (Selection().width() < 3 || Selection().height() < 3) {
        m_dragging = false;
        update();
        return;
    }
    Finish(true);
}

void KivScreenshotPicker::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Finish(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

void KivScreenshotPicker::Finish(bool take) {
    if (m_done)
        return;
    m_done = true;
    if (take) {
        // The picture may be denser than the widget (a scaled screen).
        const qreal scale = qreal(m_screen.width()) / qMax(1, width());
        const QRect selection = Selection();
        emit Picked(m_screen.copy(QRect(selection.topLeft() * scale, selection.size() * scale)));
    } else {
        emit Cancelled();
    }
    close();
}
