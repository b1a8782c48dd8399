#include "KivWindowDrag.h"

#include <QGuiApplication>
#include <QStyleHints>

#include "KivWindowPlacement.h"

void KivWindowDrag::Press(QWindow* window, const QPoint& globalPos, const QPoint& framePos) {
    m_window = window;
    m_press = globalPos;
    m_offset = globalPos - framePos;
    m_moved = false;
}

std::optional<QPoint> KivWindowDrag::Move(const QPoint& globalPos) {
    if (!m_window) {
        return std::nullopt;
    }
    // The distance only tells a drag from a click; once passed, the window
    // follows the mouse exactly.
    if (!m_moved && (globalPos - m_press).manhattanLength() <=
                        QGuiApplication::styleHints()->startDragDistance()) {
        return std::nullopt;
    }
    m_moved = true;
    if (!KivWindowPlacement::CanPlace()) {
        // The compositor has the pointer from here on and sends no release.
        QWindow* window = m_window;
        Release();
        window->startSystemMove();
        return std::nullopt;
    }
    QPoint target = globalPos - m_offset;
    if (m_keepTopOnScreen) {
        target.setY(qMax(0, target.y()));
    }
    m_offset = globalPos - target;
    return target;
}

void KivWindowDrag::Release() {
    m_window = nullptr;
    m_moved = false;
}
