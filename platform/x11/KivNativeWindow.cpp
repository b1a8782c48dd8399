#include "KivNativeWindow.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

struct XcbDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

}  // namespace

bool KivNativeWindowSize(std::uintptr_t window, int* width, int* height) {
    if (window == 0) {
        return false;
    }
    std::unique_ptr<xcb_connection_t, XcbDisconnect> connection(xcb_connect(nullptr, nullptr));
    if (xcb_connection_has_error(connection.get()) != 0) {
        return false;
    }
    const xcb_get_geometry_cookie_t cookie =
        xcb_get_geometry(connection.get(), static_cast<xcb_drawable_t>(window));
    xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(connection.get(), cookie, nullptr);
    if (reply == nullptr) {
        return false;
    }
    *width = reply->width;
    *height = reply->height;
    std::free(reply);
    return true;
}
