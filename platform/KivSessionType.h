#pragma once

#include <string>

// The windowing system of the user's session as its environment tells it,
// before any toolkit starts. Plain C++: the screen capture plug-in, which
// loads no Qt, decides by the same rule as the programs.
enum class KivSessionType { X11, Wayland };

struct KivSessionVariables {
    std::string kivPlatform;     // KIV_PLATFORM: "xcb" (or "x11") and "wayland" force one
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string x11Display;      // DISPLAY

    static KivSessionVariables FromProcess();
};

struct KivSessionChoice {
    KivSessionType type = KivSessionType::X11;
    bool forced = false;  // by KIV_PLATFORM
};

// Wayland in a Wayland session, and where a Wayland display is the only one
// (a compositor started from a console); X11 otherwise, also in an X11
// session that runs a nested compositor. KIV_PLATFORM overrides both.
KivSessionChoice KivChooseSession(const KivSessionVariables& variables);
