#include "KivHotKey.h"

bool KivHotKey::Register(int, unsigned, unsigned) {
    return true;
}

void KivHotKey::Unregister(int) {}

int KivHotKey::FromNativeEvent(const QByteArray&, void*) {
    return -1;
}
