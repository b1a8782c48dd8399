#include "x11/KivHotKeyGrabs.h"

#include "KivHotKey.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QMap>
#include <QVector>
#include <QX11Info>
#include <cstdlib>
#include <memory>

namespace {

// Lock states that must not stop a hot key: Caps Lock and Num Lock (Mod2).
constexpr uint16_t kIgnoredMasks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                      XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr uint16_t kModifierMask =
    XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;

struct Grab {
    xcb_keycode_t keycode = 0;
    uint16_t modifiers = 0;
};

QMap<int, Grab>& Grabs() {
    static QMap<int, Grab> grabs;
    return grabs;
}

struct KeySymbolsFree {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};

xcb_keysym_t KeysymFor(unsigned virtualKey) {
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
        // Latin-1 keysyms are the lower-case characters.
        return virtualKey >= 'A' && virtualKey <= 'Z' ? virtualKey + ('a' - 'A') : virtualKey;
    }
    if (virtualKey >= KivHotKey::kVirtualKeyF1 && virtualKey < KivHotKey::kVirtualKeyF1 + 12) {
        return 0xFFBE + (virtualKey - KivHotKey::kVirtualKeyF1);  // XK_F1 ...
    }
    return 0;
}

uint16_t X11Modifiers(unsigned modifiers) {
    uint16_t mask = 0;
    if (modifiers & KivHotKey::ModControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & KivHotKey::ModAlt)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & KivHotKey::ModShift)
        mask |= XCB_MOD_MASK_SHIFT;
    return mask;
}

void Ungrab(xcb_connection_t* connection, const Grab& grab) {
    for (uint16_t ignored : kIgnoredMasks) {
        xcb_ungrab_key(connection, grab.keycode, QX11Info::appRootWindow(),
                       grab.modifiers | ignored);
    }
    xcb_flush(connection);
}

}  // namespace

bool KivHotKeyGrabs::Built() {
    return true;
}

bool KivHotKeyGrabs::Register(int id, unsigned modifiers, unsigned virtualKey) {
    if (!QX11Info::isPlatformX11())
        return true;
    xcb_connection_t* connection = QX11Info::connection();
    Unregister(id);
    const xcb_keysym_t keysym = KeysymFor(virtualKey);
    if (!connection || keysym == 0)
        return false;

    std::unique_ptr<xcb_key_symbols_t, KeySymbolsFree> symbols(xcb_key_symbols_alloc(connection));
    if (!symbols)
        return false;
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> keycodes(
        xcb_key_symbols_get_keycode(symbols.get(), keysym), &std::free);
    if (!keycodes || keycodes.get()[0] == XCB_NO_SYMBOL)
        return false;

    const Grab grab{keycodes.get()[0], X11Modifiers(modifiers)};
    QVector<xcb_void_cookie_t> cookies;
    for (uint16_t ignored : kIgnoredMasks) {
        cookies.append(xcb_grab_key_checked(connection, 1, QX11Info::appRootWindow(),
                                            grab.modifiers | ignored, grab.keycode,
                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    bool taken = false;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            taken = true;
            std::free(error);
        }
    }
    if (taken) {
        // Another program holds the combination: release what this call got.
        Ungrab(connection, grab);
        return false;
    }
    Grabs().insert(id, grab);
    return true;
}

void KivHotKeyGrabs::Unregister(int id) {
    const auto it = Grabs().find(id);
    if (it == Grabs().end())
        return;
    if (QX11Info::isPlatformX11() && QX11Info::connection())
        Ungrab(QX11Info::connection(), *it);
    Grabs().erase(it);
}

int KivHotKeyGrabs::FromNativeEvent(const QByteArray& eventType, void* message) {
    if (eventType != "xcb_generic_event_t" || !message)
        return -1;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return -1;
    auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
    const uint16_t modifiers = press->state & kModifierMask;
    for (auto it = Grabs().cbegin(); it != Grabs().cend(); ++it) {
        if (it->keycode == press->detail && it->modifiers == modifiers)
            return it.key();
    }
    return -1;
}
