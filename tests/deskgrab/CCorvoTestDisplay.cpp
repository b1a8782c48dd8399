#include "CCorvoTestDisplay.h"

#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};

template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

}  // namespace

QColor CCorvoTestDisplay::PatternColour(int x, int y) {
    return QColor(x & 0xff, y & 0xff, (x >> 8) | (y >> 8) << 4);
}

CCorvoTestDisplay::CCorvoTestDisplay() {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection) != 0) {
        m_error = QStringLiteral("cannot open the X display");
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    m_screen = screens.data;
    m_width = m_screen->width_in_pixels;
    m_height = m_screen->height_in_pixels;
    if (m_screen->root_depth != 24) {
        m_error = QStringLiteral("the test pattern needs a 24-bit screen");
        return;
    }

    m_pixmap = xcb_generate_id(m_connection);
    xcb_create_pixmap(m_connection, m_screen->root_depth, m_pixmap, m_screen->root,
                      static_cast<std::uint16_t>(m_width), static_cast<std::uint16_t>(m_height));
    const xcb_gcontext_t gc = xcb_generate_id(m_connection);
    xcb_create_gc(m_connection, gc, m_pixmap, 0, nullptr);
    // Strips keep every request below the core size limit.
    constexpr int kStripRows = 16;
    std::vector<std::uint8_t> strip(static_cast<size_t>(m_width) * kStripRows * 4);
    for (int top = 0; top < m_height; top += kStripRows) {
        const int rows = std::min(kStripRows, m_height - top);
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < m_width; ++x) {
                const QColor colour = PatternColour(x, top + y);
                std::uint8_t* pixel = strip.data() + (static_cast<size_t>(y) * m_width + x) * 4;
                pixel[0] = static_cast<std::uint8_t>(colour.blue());
                pixel[1] = static_cast<std::uint8_t>(colour.green());
                pixel[2] = static_cast<std::uint8_t>(colour.red());
                pixel[3] = 0;
            }
        }
        xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_pixmap, gc,
                      static_cast<std::uint16_t>(m_width), static_cast<std::uint16_t>(rows), 0,
                      static_cast<std::int16_t>(top), 0, m_screen->root_depth,
                      static_cast<std::uint32_t>(static_cast<size_t>(m_width) * rows * 4),
                      strip.data());
    }
    xcb_free_gc(m_connection, gc);

    m_window = xcb_generate_id(m_connection);
    const std::uint32_t values[] = {m_pixmap, 1};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_screen->root, 0, 0,
                      static_cast<std::uint16_t>(m_width), static_cast<std::uint16_t>(m_height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, m_screen->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(m_connection, m_window);
    Raise();
}

CCorvoTestDisplay::~CCorvoTestDisplay() {
    if (m_window != 0) {
        xcb_destroy_window(m_connection, m_window);
    }
    if (m_pixmap != 0) {
        xcb_free_pixmap(m_connection, m_pixmap);
    }
    xcb_disconnect(m_connection);
}

void CCorvoTestDisplay::Sync() {
    Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

void CCorvoTestDisplay::Raise() {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(m_connection, m_window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_clear_area(m_connection, 0, m_window, 0, 0, 0, 0);
    Sync();
}

void CCorvoTestDisplay::MovePointer(int x, int y) {
    xcb_warp_pointer(m_connection, XCB_NONE, m_screen->root, 0, 0, 0, 0,
                     static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
    Sync();
}

CCorvoTestDisplay::Cursor CCorvoTestDisplay::CurrentCursor() {
    Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
        m_connection, xcb_xfixes_query_version(m_connection, 4, 0), nullptr));
    Reply<xcb_xfixes_get_cursor_image_reply_t> image(xcb_xfixes_get_cursor_image_reply(
        m_connection, xcb_xfixes_get_cursor_image(m_connection), nullptr));
    Cursor cursor;
    if (version == nullptr || image == nullptr) {
        return cursor;
    }
    cursor.area =
        QRect(image->x - image->xhot, image->y - image->yhot, image->width, image->height);
    const std::uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(image.get());
    cursor.pixels = QVector<quint32>(pixels, pixels + image->width * image->height);
    return cursor;
}
