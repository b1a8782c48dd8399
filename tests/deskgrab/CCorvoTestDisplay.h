#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QVector>

#include <xcb/xcb.h>

// The test's view of the X display: a window over the whole screen showing
// a picture whose every pixel tells where it is, pointer moves and the
// cursor image XFixes hands out.
class CCorvoTestDisplay {
public:
    CCorvoTestDisplay();
    ~CCorvoTestDisplay();

    CCorvoTestDisplay(const CCorvoTestDisplay&) = delete;
    CCorvoTestDisplay& operator=(const CCorvoTestDisplay&) = delete;

    // Red x % 256, green y % 256, blue x / 256 + 16 * (y / 256).
    static QColor PatternColour(int x, int y);

    bool IsOpen() const { return m_window != 0; }
    QString Error() const { return m_error; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Puts the pattern window on top and waits until the server shows it.
    void Raise();
    void MovePointer(int x, int y);

    struct Cursor {
        QRect area;               // on the screen, hot spot already taken off
        QVector<quint32> pixels;  // premultiplied 0xAARRGGBB
    };
    Cursor CurrentCursor();

private:
    void Sync();

    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    xcb_pixmap_t m_pixmap = 0;
    xcb_window_t m_window = 0;
    int m_width = 0;
    int m_height = 0;
    QString m_error;
};
