#pragma once

#include <QStringList>

// Starts the call window program ("media/CallView" below the data root) as a
// detached process. It learns the messaging server's address from its
// environment, so it can tell the peer the own address that faces it, and
// the settings file of `account` (the logged-in one), for the sound of the call.
// Returns its process id, or 0 when it could not be started: the starter
// takes the call window's messages from that process only and watches it,
// and the call window, told the starter's process id ("--starter-pid"),
// takes messages from the starter only.
qint64 KivStartCallProgram(const QStringList& arguments, const QString& account);
