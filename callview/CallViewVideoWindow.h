#pragma once

#include <QColor>
#include <QWidget>

// A plain native child window the video session draws into; the program
// itself only fills it with one colour.
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
};
