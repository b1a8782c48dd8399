#pragma once

#include <QList>
#include <QMap>
#include <functional>

#include "tagBROADCASTInfo.h"

class QObject;

// Process-wide registry of receivers grouped by topic. A receiver is a window
// (any QObject) with the callback that handles the broadcast for it; the same
// window may be registered more than once and receives once per registration.
// Registration and delivery belong to the user-interface thread.
class QMessageBroadCast {
public:
    using Callback = std::function<void(tagBROADCASTInfo*)>;

    static QMessageBroadCast* GetInstance();
    static void ReleaseInstance();

    void RegisterWnd(int topic, QObject* window, Callback callback);
    // Removes the window's first registration under topic; the topic stays.
    void UnRegisterWnd(int topic, QObject* window);
    // Calls the topic's callbacks in registration order before returning.
    void NotifyRegWnd(tagBROADCASTInfo* info);
    // Sends a QMessageBroadCastEvent to every dialog of the application.
    void NotifyAllWnd(tagBROADCASTInfo* info);

private:
    struct Registration {
        QObject* window;
        Callback callback;
    };

    QMessageBroadCast() = default;

    QMap<int, QList<Registration>> m_topics;
};
