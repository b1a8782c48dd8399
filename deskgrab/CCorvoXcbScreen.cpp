#include "CCorvoXcbScreen.h"

#include <sys/socket.h>

#include "CCorvoCursorOverlay.h"

namespace {

// Only the common 24-bit colour in 32-bit little-endian pixels is read.
bool IsPlainTrueColour(xcb_connection_t* connection, const xcb_screen_t* screen,
                       std::string* error) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    int bitsPerPixel = 0;
    for (xcb_format_iterator_t formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0;
         xcb_format_next(&formats)) {
        if (formats.data->depth == screen->root_depth) {
            bitsPerPixel = formats.data->bits_per_pixel;
        }
    }
    const xcb_visualtype_t* visual = nullptr;
    for (xcb_depth_iterator_t depths = xcb_screen_allowed_depths_iterator(screen);
         depths.rem > 0 && visual == nullptr; xcb_depth_next(&depths)) {
        for (xcb_visualtype_iterator_t visuals = xcb_depth_visuals_iterator(depths.data);
             visuals.rem > 0; xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == screen->root_visual) {
                visual = visuals.data;
                break;
            }
        }
    }
    const bool plain = bitsPerPixel == 32 && setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST &&
                       visual != nullptr && visual->red_mask == 0xff0000u &&
                       visual->green_mask == 0xff00u && visual->blue_mask == 0xffu;
    if (!plain) {
        *error = "unsupported X screen format (depth " + std::to_string(screen->root_depth) + ", " +
                 std::to_string(bitsPerPixel) + " bits per pixel)";
    }
    return plain;
}

std::size_t PictureBytes(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
}

}  // namespace

CCorvoXcbScreen::CCorvoXcbScreen(std::string displayName) : m_displayName(std::move(displayName)) {}

CCorvoXcbScreen::~CCorvoXcbScreen() {
    Close();
}

CorvoScreenSize CCorvoXcbScreen::QuerySize(const std::string& displayName) {
    std::string error;
    const std::unique_ptr<CCorvoXcbConnection> connection =
        CCorvoXcbConnection::Open(displayName.c_str(), &error);
    if (connection == nullptr) {
        return {};
    }
    return {connection->Screen()->width_in_pixels, connection->Screen()->height_in_pixels};
}

bool CCorvoXcbScreen::Open(std::string* error) {
    m_connection = CCorvoXcbConnection::Open(m_displayName.c_str(), error);
    if (m_connection == nullptr) {
        return false;
    }
    xcb_connection_t* connection = m_connection->Get();
    if (!IsPlainTrueColour(connection, m_connection->Screen(), error)) {
        m_connection.reset();
        return false;
    }
    RefreshSize();
    std::string sharing;
    m_segment =
        CCorvoShmSegment::Create(connection, PictureBytes(m_size.width, m_size.height), &sharing);

    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (xfixes != nullptr && xfixes->present != 0) {
        // XFixes answers cursor requests only after the version handshake.
        CorvoXcbReply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, 4, 0), nullptr));
        m_hasCursor = version != nullptr && version->major_version >= 1;
    }
    return true;
}

void CCorvoXcbScreen::Close() {
    m_copied.reset();
    m_segment.reset();
    m_connection.reset();
}

CorvoScreenSize CCorvoXcbScreen::Size() {
    return m_size;
}

void CCorvoXcbScreen::Interrupt() {
    // A shut-down socket ends any read or write of the connection with an
    // error; the connection itself is released by Close on the owner's side.
    if (m_connection != nullptr) {
        ::shutdown(xcb_get_file_descriptor(m_connection->Get()), SHUT_RDWR);
    }
}

bool CCorvoXcbScreen::IsLost() {
    return m_connection == nullptr || m_connection->HasError();
}

void CCorvoXcbScreen::RefreshSize() {
    xcb_connection_t* connection = m_connection->Get();
    CorvoXcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(
        connection, xcb_get_geometry(connection, m_connection->Screen()->root), nullptr));
    if (geometry != nullptr) {
        m_size = {geometry->width, geometry->height};
    }
}

bool CCorvoXcbScreen::Grab(int left, int top, int width, int height, CorvoImageView* picture,
                           std::string* error) {
    if (IsLost()) {
        *error = "the connection to the X server is lost";
        return false;
    }
    if (m_segment != nullptr && m_segment->Size() < PictureBytes(width, height)) {
        std::string sharing;
        m_segment.reset();
        m_segment =
            CCorvoShmSegment::Create(m_connection->Get(), PictureBytes(width, height), &sharing);
    }
    const bool grabbed = m_segment != nullptr
                             ? GrabShared(left, top, width, height, picture, error)
                             : GrabCopied(left, top, width, height, picture, error);
    if (!grabbed) {
        // Most likely the screen shrank under us: clip to its new size next time.
        RefreshSize();
    }
    return grabbed;
}

bool CCorvoXcbScreen::GrabShared(int left, int top, int width, int height, CorvoImageView* picture,
                                 std::string* error) {
    xcb_connection_t* connection = m_connection->Get();
    const xcb_shm_get_image_cookie_t cookie = xcb_shm_get_image(
        connection, m_connection->Screen()->root, static_cast<std::int16_t>(left),
        static_cast<std::int16_t>(top), static_cast<std::uint16_t>(width),
        static_cast<std::uint16_t>(height), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, m_segment->Id(), 0);
    xcb_xfixes_get_cursor_image_cookie_t cursor{};
    if (m_hasCursor) {
        cursor = xcb_xfixes_get_cursor_image(connection);
    }
    xcb_generic_error_t* rawFailure = nullptr;
    CorvoXcbReply<xcb_shm_get_image_reply_t> reply(
        xcb_shm_get_image_reply(connection, cookie, &rawFailure));
    CorvoXcbReply<xcb_generic_error_t> failure(rawFailure);
    if (reply == nullptr) {
        if (m_hasCursor) {
            xcb_discard_reply(connection, cursor.sequence);
        }
        *error = "the X server refused to copy the screen area";
        return false;
    }
    if (m_hasCursor) {
        DrawCursor(cursor, left, top, width, height, m_segment->Data());
    }
    *picture = {m_segment->Data(), width, height, width * 4};
    return true;
}

bool CCorvoXcbScreen::GrabCopied(int left, int top, int width, int height, CorvoImageView* picture,
                                 std::string* error) {
    xcb_connection_t* connection = m_connection->Get();
    const xcb_get_image_cookie_t cookie =
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_connection->Screen()->root,
                      static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), ~0u);
    xcb_xfixes_get_cursor_image_cookie_t cursor{};
    if (m_hasCursor) {
        cursor = xcb_xfixes_get_cursor_image(connection);
    }
    xcb_generic_error_t* rawFailure = nullptr;
    m_copied.reset(xcb_get_image_reply(connection, cookie, &rawFailure));
    CorvoXcbReply<xcb_generic_error_t> failure(rawFailure);
    if (m_copied == nullptr || static_cast<std::size_t>(xcb_get_image_data_length(m_copied.get())) <
                                   PictureBytes(width, height)) {
        if (m_hasCursor) {
            xcb_discard_reply(connection, cursor.sequence);
        }
        *error = "the X server refused to copy the screen area";
        return false;
    }
    if (m_hasCursor) {
        DrawCursor(cursor, left, top, width, height, xcb_get_image_data(m_copied.get()));
    }
    *picture = {xcb_get_image_data(m_copied.get()), width, height, width * 4};
    return true;
}

void CCorvoXcbScreen::DrawCursor(xcb_xfixes_get_cursor_image_cookie_t cookie, int left, int top,
                                 int width, int height, std::uint8_t* picture) {
    CorvoXcbReply<xcb_xfixes_get_cursor_image_reply_t> cursor(
        xcb_xfixes_get_cursor_image_reply(m_connection->Get(), cookie, nullptr));
    if (cursor == nullptr || xcb_xfixes_get_cursor_image_cursor_image_length(cursor.get()) <
                                 cursor->width * cursor->height) {
        return;
    }
    CCorvoCursorOverlay::Blend(picture, width, height, width * 4,
                               xcb_xfixes_get_cursor_image_cursor_image(cursor.get()),
                               cursor->width, cursor->height, cursor->x - cursor->xhot - left,
                               cursor->y - cursor->yhot - top);
}
