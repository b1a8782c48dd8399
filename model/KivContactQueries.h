#pragma once

#include <QString>
#include <QVector>

#include "KivContactProfile.h"

// The contact dialogs' reads and writes of the account's chat database, all
// with bound values. Each is a no-op (empty result) before a database exists.
class KivContactQueries {
public:
    struct Request {
        quint32 sender = 0;
        QString text;
        QString time;
    };

    static KivContactProfile ByUid(quint32 uid);
    // By account, or by phone number as the server's search also matches.
    static KivContactProfile ByAccount(const QString& accountOrPhone);
    // Friend requests to the user that wait for an answer, oldest first, one per asker.
    static QVector<Request> WaitingRequests(quint32 ownUid);
    // The asker's waiting requests are answered (accepted or refused).
    static bool AnswerRequests(quint32 sender, quint32 ownUid);
    static bool SetHead(quint32 uid, int head);
    // The own profile after the server took it.
    static bool StoreProfile(const KivContactProfile& profile);
    // Removes every chat message of the account (requests stay); the number
    // removed, or -1 on failure.
    static int ClearHistory();
};
