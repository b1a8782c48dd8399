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
};
