#include "CCorvoXcbConnection.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// An X server that lost its last client resets itself and drops the
// connections that arrive meanwhile; a few tries ride that out.
constexpr int kConnectAttempts = 5;
constexpr std::chrono::milliseconds kRetryPause{20};

}  // namespace

std::unique_ptr<CCorvoXcbConnection> CCorvoXcbConnection::Open(const char* displayName,
                                                               std::string* error) {
    const char* name = displayName != nullptr && *displayName != '\0' ? displayName : nullptr;
    const char* shown = name != nullptr ? name : std::getenv("DISPLAY");
    if (shown == nullptr || *shown == '\0') {
        *error = "no X display is set (DISPLAY is empty)";
        return nullptr;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(name, &screenNumber);
    for (int attempt = 1;
         attempt < kConnectAttempts && xcb_connection_has_error(connection) == XCB_CONN_ERROR;
         ++attempt) {
        xcb_disconnect(connection);
        std::this_thread::sleep_for(kRetryPause);
        connection = xcb_connect(name, &screenNumber);
    }
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        *error = std::string("cannot open X display ") + shown;
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        *error = std::string("X display ") + shown + " has no such screen";
        return nullptr;
    }
    return std::unique_ptr<CCorvoXcbConnection>(new CCorvoXcbConnection(connection, screens.data));
}

CCorvoXcbConnection::CCorvoXcbConnection(xcb_connection_t* connection, xcb_screen_t* screen)
    : m_connection(connection), m_screen(screen) {}

CCorvoXcbConnection::~CCorvoXcbConnection() {
    xcb_disconnect(m_connection);
}
