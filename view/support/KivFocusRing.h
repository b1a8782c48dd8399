#pragma once

#include <QPointer>
#include <QWidget>

// The keyboard focus made visible in a skinned window: the skins draw their
// buttons from pictures and hide the style's focus frame, so a ring of its
// own follows the control that Tab (or a shortcut) gave the focus to. A mouse
// click hides it, as in the desktop's own dialogs.
class KivFocusRing : public QWidget {
    Q_OBJECT
public:
    explicit KivFocusRing(QWidget* window);

    // The control the ring is around, or null while it is hidden.
    QWidget* Target() const { return isVisible() ? m_target.data() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Follow(QWidget* target);
    void Place();

    QPointer<QWidget> m_target;
};
