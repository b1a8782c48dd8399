#pragma once

#include <QString>

// The per-account settings file "User/<account>/Settingconfig/setconfig.ini".
class KivUserSettings {
public:
    static QString FileFor(const QString& account);
    static QString FolderFor(const QString& account);
    // Creates the folder and writes every default when the folder is missing;
    // true when it did.
    static bool EnsureDefaults(const QString& account);
    // Whether a lost connection is healed in place: on unless set to 0.
    static constexpr const char* kAutoReconnectKey = "/NetSet/AutoReconnect";
    static bool AutoReconnect(const QString& account);
};
