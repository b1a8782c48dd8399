#pragma once

#include <QByteArray>

#include "KivSessionType.h"

// Which windowing system this process draws on. One build serves X11 and
// Wayland sessions, so the concerns that differ (window moves and placement,
// hot keys, screen capture, video drawing) ask this at run time.
enum class KivDisplayKind { X11, Wayland, Other };

// The windowing system of the running application (Other before it exists,
// and for the offscreen and minimal platforms).
KivDisplayKind KivCurrentDisplay();

struct KivSessionEnvironment {
    KivSessionVariables session;
    QByteArray qtPlatform;  // QT_QPA_PLATFORM as the user set it

    static KivSessionEnvironment FromProcess();
};

// The Qt platform a program of ours should start on in this session: Wayland
// where the session is a Wayland one (falling back to X11 through XWayland
// when the Wayland platform cannot start), X11 where KIV_PLATFORM=xcb says
// so, and whatever QT_QPA_PLATFORM names when set. Empty: leave Qt's default.
QByteArray KivChooseQtPlatform(const KivSessionEnvironment& environment);

// Sets QT_QPA_PLATFORM for this process (and the programs it starts) by the
// rule above. Call before the application object is made.
void KivApplyQtPlatform();
