#pragma once

#include "KivDevServices.h"

class CKivDevConnection;

// ConnectCheck, Login, Logout and Heartbeat.
class CKivDevSessionHandler {
public:
    // Login error codes the client knows.
    static constexpr int kErrorElsewhere = 0;  // logged in at another place
    static constexpr int kErrorPassword = 2;
    static constexpr int kErrorUnknownAccount = 6;
    static constexpr const char* kVersion = "1";

    explicit CKivDevSessionHandler(KivDevServices services) : m_services(services) {}

    void connectCheck(CKivDevConnection& from, const char* data, int length);
    void login(CKivDevConnection& from, const char* data, int length);
    void logout(CKivDevConnection& from, const char* data, int length);
    void heartbeat(CKivDevConnection& from, const char* data, int length);

private:
    static void sendLoginFailure(CKivDevConnection& to, int errorCode);
    void sendFriendList(CKivDevConnection& to);

    KivDevServices m_services;
};
