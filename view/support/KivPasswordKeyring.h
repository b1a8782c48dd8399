#pragma once

#include <QString>

// Remembered passwords in the desktop keyring (the Secret Service, through
// libsecret), one item per account. Nothing here starts a keyring: without
// one running on the session bus every call says so at once, and the caller
// keeps the scrambled form of the settings file instead.
class KivPasswordKeyring {
public:
    // True when a Secret Service runs on the session bus now.
    static bool Available();
    // False when no keyring runs or it refused the item.
    static bool Store(const QString& account, const QString& password);
    // The stored password, or a null string when there is none or no keyring.
    static QString Lookup(const QString& account);
    // True when no item for the account is left (also when there was none).
    static bool Forget(const QString& account);
};
