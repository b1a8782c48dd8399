#include "chat/KivScreenshotPicker.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "KivDisplay.h"

KivScreenshotPicker::KivScreenshotPicker(const QImage& screen) : m_screen(screen) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::CrossCursor);
    setAccessibleName(tr("截图：拖动鼠标选择区域，Esc 取消"));
    setFocusPolicy(Qt::StrongFocus);
}

void KivScreenshotPicker::Cover(const QRect& screenGeometry) {
    setGeometry(screenGeometry);
    // A Wayland desktop gives the keys to a new full-screen window itself.
    if (KivCurrentDisplay() == KivDisplayKind::Wayland) {
        showFullScreen();
    } else {
        show();
        activateWindow();
    }
    setFocus();
}

QRect KivScreenshotPicker::Source(const QRect& region) const {
    const qreal x = qreal(m_screen.width()) / qMax(1, width());
    const qreal y = qreal(m_screen.height()) / qMax(1, height());
    return QRect(qRound(region.x() * x), qRound(region.y() * y), qRound(region.width() * x),
                 qRound(region.height() * y));
}

void KivScreenshotPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(rect(), m_screen);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
    const QRect selection = Selection();
    if (m_dragging && !selection.isEmpty()) {
        painter.drawImage(selection, m_screen, Source(selection));
        painter.setPen(QPen(QColor(30, 144, 255), 2));
        painter.drawRect(selection.adjusted(0, 0, -1, -1));
        painter.setPen(Qt::white);
        painter.drawText(selection.topLeft() + QPoint(4, -6),
                         QStringLiteral("%1 × %2").arg(selection.width()).arg(selection.height()));
    } else {
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, tr("拖动鼠标选择截图区域，按 Esc 取消"));
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

void KivScreenshotPicker::closeEvent(QCloseEvent* event) {
    Finish(false);
    QWidget::closeEvent(event);
}

void KivScreenshotPicker::Finish(bool take) {
    if (m_done)
        return;
    m_done = true;
    if (take) {
        emit Picked(m_screen.copy(Source(Selection())));
    } else {
        emit Cancelled();
    }
    close();
}
