#pragma once

#include <QPoint>
#include <QPointer>
#include <QWindow>

#include <optional>

// Moves a frameless window with the mouse. Where a client may place its own
// window (X11), the window follows the mouse itself; on Wayland, where it may
// not, the compositor takes the move over once the mouse has left the click
// distance. A press that never gets that far stays a click.
class KivWindowDrag {
public:
    // `keepTopOnScreen`: the window's top never goes above the screen's.
    explicit KivWindowDrag(bool keepTopOnScreen = false) : m_keepTopOnScreen(keepTopOnScreen) {}

    // `framePos`: where the window's frame is now.
    void Press(QWindow* window, const QPoint& globalPos, const QPoint& framePos);
    // One mouse move with the button held: where the window's frame goes,
    // when the program places it itself. Nothing while the press is still a
    // click, or once the compositor has taken the move over.
    std::optional<QPoint> Move(const QPoint& globalPos);
    void Release();
    bool IsPressed() const { return m_window != nullptr; }

private:
    QPointer<QWindow> m_window;
    QPoint m_press;
    QPoint m_offset;
    bool m_moved = false;
    bool m_keepTopOnScreen;
};
