#pragma once

#include <QByteArray>

// Hot keys as passive key grabs on the X11 root window, for KivHotKey in an
// X11 session. Where the program is built without X11, the functions exist
// and take nothing (Built() is false).
namespace KivHotKeyGrabs {

bool Built();
bool Register(int id, unsigned modifiers, unsigned virtualKey);
void Unregister(int id);
int FromNativeEvent(const QByteArray& eventType, void* message);

}  // namespace KivHotKeyGrabs
