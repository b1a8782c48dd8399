#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Global hot keys: a key combination taken for the whole desktop and reported
// by identifier. Keys are virtual-key codes ('0'-'9', 'A'-'Z', F1 = 0x70 ... F12 = 0x7B).
// The session decides at run time how: key grabs on X11, the desktop portal's
// global shortcuts on Wayland, nothing elsewhere.
class KivHotKey {
public:
    enum Modifier : unsigned { ModAlt = 0x1, ModControl = 0x2, ModShift = 0x4 };
    static constexpr unsigned kVirtualKeyF1 = 0x70;

    // How this session takes global keys: X11 key grabs, the desktop portal
    // (the user confirms each key there), or not at all.
    enum Availability { Grabs, Portal, None };
    static Availability Available();

    // False when the combination is taken by another program or the key is unknown.
    // Where the desktop has no global keys, nothing is taken and the result is true.
    // Through the portal the key is only handed over: true means it was asked for.
    // `description` is what the desktop shows the user about the key.
    static bool Register(int id, unsigned modifiers, unsigned virtualKey,
                         const QString& description = QString());
    static void Unregister(int id);
    // The identifier of the registered hot key a native event reports, or -1.
    static int FromNativeEvent(const QByteArray& eventType, void* message);
    // Presses that do not come as native events (the portal's) go to `handler`,
    // on the GUI thread.
    static void SetActivationHandler(std::function<void(int id)> handler);
};
