#pragma once

#include <QtGlobal>

class QString;

// The records the main window sends on the session's connection.
class KivSessionRecords {
public:
    // The own signature (SetMyShow); the answer comes as SetMyShowRet.
    static int SendSign(quint32 uid, const QString& sign);
    // The VIP list of the account.
    static int AskVipList(const QString& account);
    static int AskDeleteFriend(quint32 ownUid, quint32 friendUid);
    static int SendLogout(quint32 uid);
};
