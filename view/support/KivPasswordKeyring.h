#pragma once

#include <QString>

// Remembered passwords in the desktop keyring (the Secret Service, through
// libsecret), one item per account and use. A keyring that is not running
// yet is started when the session bus knows how to start one. Without a
// keyring every call says so, and no password is written anywhere else.
class KivPasswordKeyring {
public:
    enum class Item {
        Login,  // the account's own password
        Proxy,  // the password of the account's proxy
    };

    // True when a Secret Service runs on the session bus, after asking the bus
    // to start one when none runs yet.
    static bool Available();
    // False when no keyring runs or it refused the item.
    static bool Store(const QString& account, const QString& password, Item item = Item::Login);
    // The stored password, or a null string when there is none or no keyring.
    static QString Lookup(const QString& account, Item item = Item::Login);
    // True when no item for the account is left (also when there was none).
    static bool Forget(const QString& account, Item item = Item::Login);

    // True the first time it is asked for the account and use, so the user
    // hears once that a password could not be remembered; kept in the
    // account's settings file.
    static bool FirstMiss(const QString& account, Item item);
    // What the user is told then.
    static QString MissText(Item item);
};
