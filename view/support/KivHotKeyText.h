#pragma once

#include <QString>

// A hot key as the settings keep it: up to three of "Ctrl", "Alt", "Shift"
// and one key character joined by " + ", or a function key "F1".."F12" alone.
struct KivHotKeyText {
    bool empty = true;   // nothing set: no key is registered and no identifier taken
    bool valid = false;  // the words name a combination that can be registered
    unsigned modifiers = 0;
    unsigned virtualKey = 0;

    static KivHotKeyText Parse(const QString& text);
};
