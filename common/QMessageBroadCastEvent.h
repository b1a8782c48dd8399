#pragma once

#include <QEvent>

#include "tagBROADCASTInfo.h"

// The broadcast as a Qt event, sent synchronously to every dialog by
// QMessageBroadCast::NotifyAllWnd.
class QMessageBroadCastEvent : public QEvent {
public:
    static constexpr int MessageNumber = 2024;
    static constexpr QEvent::Type EventType =
        static_cast<QEvent::Type>(QEvent::User + MessageNumber);

    explicit QMessageBroadCastEvent(tagBROADCASTInfo* info) : QEvent(EventType), m_info(info) {}

    tagBROADCASTInfo* info() const { return m_info; }

private:
    tagBROADCASTInfo* m_info;
};
