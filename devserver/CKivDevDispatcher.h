#pragma once

#include "CKivDevAccountHandler.h"
#include "CKivDevChatHandler.h"
#include "CKivDevFriendHandler.h"
#include "CKivDevSessionHandler.h"
#include "KivDevServices.h"

class CKivDevConnection;

// Routes each received record to its handler. Before login only the records
// that lead to a login are taken; anything unknown is ignored.
class CKivDevDispatcher {
public:
    explicit CKivDevDispatcher(KivDevServices services);

    void dispatch(CKivDevConnection& from, const char* data, int length);

private:
    CKivDevSessionHandler m_session;
    CKivDevChatHandler m_chat;
    CKivDevFriendHandler m_friends;
    CKivDevAccountHandler m_account;
};
