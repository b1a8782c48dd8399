#include "support/KivHotKeyText.h"

#include <QSet>
#include <QStringList>

#include "KivHotKey.h"

namespace {

unsigned ModifierOf(const QString& word) {
    if (word == QLatin1String("Ctrl"))
        return KivHotKey::ModControl;
    if (word == QLatin1String("Alt"))
        return KivHotKey::ModAlt;
    if (word == QLatin1String("Shift"))
        return KivHotKey::ModShift;
    return 0;
}

}  // namespace

KivHotKeyText KivHotKeyText::Parse(const QString& text) {
    KivHotKeyText key;
    const QStringList parts = text.split(QStringLiteral(" + "));
    const QString last = parts.last();
    if (last.isEmpty())
        return key;
    key.empty = false;

    if (parts.size() == 1) {
        bool ok = false;
        const int number = last.startsWith(QLatin1Char('F')) ? last.mid(1).toInt(&ok) : 0;
        if (!ok || number < 1 || number > 12)
            return key;
        key.virtualKey = KivHotKey::kVirtualKeyF1 + unsigned(number - 1);
        key.valid = true;
        return key;
    }
    // Virtual-key codes of letters are the capitals; 'a'..'z' would name other keys.
    const ushort first = last.at(0).toUpper().unicode();
    key.virtualKey = first < 256 ? first : 0;
    if (parts.size() == 2) {
        key.modifiers = ModifierOf(parts[0]);
    } else if (parts.size() == 3) {
        const unsigned a = ModifierOf(parts[0]);
        const unsigned b = ModifierOf(parts[1]);
        if (a != 0 && b != 0 && a != b)
            key.modifiers = a | b;
    } else if (parts.size() == 4) {
        key.modifiers = KivHotKey::ModControl | KivHotKey::ModAlt | KivHotKey::ModShift;
    }
    key.valid = key.modifiers != 0 && key.virtualKey != 0;
    return key;
}
