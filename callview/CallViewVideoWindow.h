#pragma once

#include <QColor>
#include <QWidget>

class KivVideoTarget;

// The window a call's video is shown in. Under X11 it is a plain native
// child window the video session draws into, and the program only fills it
// with one colour; elsewhere it paints the pictures the session hands to its
// video target.
class CallViewVideoWindow : public QWidget {
    Q_OBJECT
public:
    CallViewVideoWindow(const QColor& fill, QWidget* parent);

    // The id the video session draws into.
    std::uintptr_t NativeId();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    KivVideoTarget* m_target = nullptr;
};
