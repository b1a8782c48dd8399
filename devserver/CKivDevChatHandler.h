#pragma once

#include "KivDevServices.h"

class CKivDevConnection;

// ChatMessage relay, Media relay and the offline pull (LeaveMessage).
class CKivDevChatHandler {
public:
    explicit CKivDevChatHandler(KivDevServices services) : m_services(services) {}

    void chat(CKivDevConnection& from, const char* data, int length);
    void media(CKivDevConnection& from, const char* data, int length);
    void leaveMessage(CKivDevConnection& from, const char* data, int length);

private:
    KivDevServices m_services;
};
