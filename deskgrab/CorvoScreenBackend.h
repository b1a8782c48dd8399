#pragma once

#include <string>

// Where the pictures of the desktop come from: the X server, or the desktop
// portal's screen cast on a Wayland session (where an X client sees only
// the windows of XWayland).
enum class CorvoScreenBackend { X11, Portal };

// What of the environment decides the backend.
struct CorvoSessionEnvironment {
    std::string kivPlatform;     // KIV_PLATFORM: "xcb" (or "x11") and "wayland" force one
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string x11Display;      // DISPLAY

    static CorvoSessionEnvironment FromProcess();
};

// The portal on a Wayland session, or where a Wayland display is the only
// one; X11 otherwise and wherever KIV_PLATFORM=xcb asks for it.
CorvoScreenBackend CorvoChooseScreenBackend(const CorvoSessionEnvironment& environment);
