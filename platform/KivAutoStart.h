#pragma once

#include <QString>

// Start with the desktop session: an entry the session starts the program
// from at login, named after the application.
class KivAutoStart {
public:
    // The command the entry runs: the installed launcher "kivim" when it is on
    // PATH, else the running program.
    static QString LauncherCommand();
    // Writes the entry; `workingDirectory` is where the program runs (its data tree).
    static bool Enable(const QString& appName, const QString& command,
                       const QString& workingDirectory);
    static bool Disable(const QString& appName);
    static bool IsEnabled(const QString& appName);
    // Where the entry lives.
    static QString EntryPath(const QString& appName);
};
