#pragma once

#include <QStringList>

// Starts the call window program ("media/CallView" below the data root) as a
// detached process. It learns the messaging server's address from its
// environment, so it can tell the peer the own address that faces it, and
// the logged-in account's settings file, for the sound of the call.
bool KivStartCallProgram(const QStringList& arguments);
