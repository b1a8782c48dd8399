#include "KivNativeEvent.h"

#include "KivHotKey.h"

bool KivNativeEvent::nativeEventFilter(const QByteArray& eventType, void* message, long*) {
    const int id = KivHotKey::FromNativeEvent(eventType, message);
    return id >= 0 && HandleHotKey(id);
}

bool KivNativeEvent::HandleHotKey(int id) {
    if (id == showKeyId) {
        emit ShowmDlgHotKey();
        return true;
    }
    if (id == getMsgKeyId) {
        emit GetMsgHotKey();
        return true;
    }
    return false;
}

void KivNativeEvent::getShowmDlgKeyId(int id) {
    showKeyId = id;
}

void KivNativeEvent::getGetmsgHotId(int id) {
    getMsgKeyId = id;
}

void KivNativeEvent::getHidemDlgHotId(int id) {
    hideKeyId = id;
}
