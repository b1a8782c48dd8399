#pragma once

#include <xcb/xcb.h>

#include <cstdint>

// A key combination held by another X client, as a program that took it
// first; let go when the object goes.
class KivTakenKey {
public:
    KivTakenKey(xcb_keysym_t keysym, std::uint16_t modifiers);
    ~KivTakenKey();
    KivTakenKey(const KivTakenKey&) = delete;
    KivTakenKey& operator=(const KivTakenKey&) = delete;

    bool ok() const { return m_ok && m_keycode != 0; }

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_keycode_t m_keycode = 0;
    std::uint16_t m_modifiers = 0;
    bool m_ok = false;
};
