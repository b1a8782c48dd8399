#include "x11/KivHotKeyGrabs.h"

bool KivHotKeyGrabs::Built() {
    return false;
}

bool KivHotKeyGrabs::Register(int, unsigned, unsigned) {
    return true;
}

void KivHotKeyGrabs::Unregister(int) {}

int KivHotKeyGrabs::FromNativeEvent(const QByteArray&, void*) {
    return -1;
}
