#pragma once

#include <QByteArray>

// Global hot keys: a key combination taken for the whole desktop and reported
// by identifier. Keys are virtual-key codes ('0'-'9', 'A'-'Z', F1 = 0x70 ... F12 = 0x7B).
class KivHotKey {
public:
    enum Modifier : unsigned { ModAlt = 0x1, ModControl = 0x2, ModShift = 0x4 };
    static constexpr unsigned kVirtualKeyF1 = 0x70;

    // False when the combination is taken by another program or the key is unknown.
    // Where the desktop has no global keys, nothing is taken and the result is true.
    static bool Register(int id, unsigned modifiers, unsigned virtualKey);
    static void Unregister(int id);
    // The identifier of the registered hot key a native event reports, or -1.
    static int FromNativeEvent(const QByteArray& eventType, void* message);
};
