#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

// Lets the user cut a region out of a still picture of the screen: the whole
// screen is shown dimmed, the region dragged with the mouse shows as it is.
// Releasing the mouse takes the region; Esc, a right click or closing the
// window otherwise (the desktop may) cancels.
class KivScreenshotPicker : public QWidget {
    Q_OBJECT
public:
    // `screen`: the picture of the screen the picker covers.
    explicit KivScreenshotPicker(const QImage& screen);
    // Shows the picker over the screen at `screenGeometry` and takes the keys.
    // A Wayland client cannot place its window: there it goes full screen.
    void Cover(const QRect& screenGeometry);

signals:
    void Picked(const QImage& region);
    void Cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // From the press to the release, the release's pixel not included.
    QRect Selection() const {
        return QRect(QPoint(qMin(m_from.x(), m_to.x()), qMin(m_from.y(), m_to.y())),
                     QSize(qAbs(m_to.x() - m_from.x()), qAbs(m_to.y() - m_from.y())));
    }
    // The part of the picture a region of the widget shows: the picture is
    // drawn stretched over the widget and may be denser (a scaled screen).
    QRect Source(const QRect& region) const;
    void Finish(bool take);

    QImage m_screen;
    QPoint m_from;
    QPoint m_to;
    bool m_dragging = false;
    bool m_done = false;
};
