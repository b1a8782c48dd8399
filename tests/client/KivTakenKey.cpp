#include "KivTakenKey.h"

#include <xcb/xcb_keysyms.h>

#include <cstdlib>

KivTakenKey::KivTakenKey(xcb_keysym_t keysym, std::uint16_t modifiers)
    : m_connection(xcb_connect(nullptr, nullptr)), m_modifiers(modifiers) {
    if (xcb_connection_has_error(m_connection)) {
        return;
    }
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    m_keycode = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const xcb_void_cookie_t cookie = xcb_grab_key_checked(
        m_connection, 1, m_root, modifiers, m_keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
    m_ok = error == nullptr;
    std::free(error);
}

KivTakenKey::~KivTakenKey() {
    if (m_ok) {
        xcb_ungrab_key(m_connection, m_keycode, m_root, m_modifiers);
    }
    xcb_disconnect(m_connection);
}
