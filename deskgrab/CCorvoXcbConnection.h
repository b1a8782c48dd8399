#pragma once

#include <memory>
#include <string>

#include <xcb/xcb.h>

// Owns one connection to an X server and knows its chosen screen.
class CCorvoXcbConnection {
public:
    // nullptr with a reason when the display cannot be opened; a null or
    // empty name means $DISPLAY.
    static std::unique_ptr<CCorvoXcbConnection> Open(const char* displayName, std::string* error);
    ~CCorvoXcbConnection();

    CCorvoXcbConnection(const CCorvoXcbConnection&) = delete;
    CCorvoXcbConnection& operator=(const CCorvoXcbConnection&) = delete;

    xcb_connection_t* Get() const { return m_connection; }
    xcb_screen_t* Screen() const { return m_screen; }
    bool HasError() const { return xcb_connection_has_error(m_connection) != 0; }

private:
    CCorvoXcbConnection(xcb_connection_t* connection, xcb_screen_t* screen);

    xcb_connection_t* m_connection;
    xcb_screen_t* m_screen;
};
