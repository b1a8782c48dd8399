#pragma once

#include <QString>
#include <QVector>

// The chat database reads and writes of the main window, all with bound
// values. Each is a no-op (empty result) before an account's database exists.
class KivChatQueries {
public:
    struct Message {
        int id = 0;
        QString text;
        QString time;
    };

    // A chat message received by the user.
    struct Received {
        qint64 id = 0;
        quint32 sender = 0;
        QString text;
        QString time;
    };

    // The largest row id of the chat table (0 when empty or missing).
    static qint64 NewestId();
    // The messages to the user with an id above afterId, in id order, found
    // through the row ids alone, so the cost follows the rows stored since;
    // newestId gets the largest id looked at (afterId when none).
    static QVector<Received> ReceivedSince(quint32 ownUid, qint64 afterId, qint64* newestId);
    // Every unread message to the user with an id up to upToId, in id order.
    static QVector<Received> UnreadUpTo(quint32 ownUid, qint64 upToId);
    // The newest unread message of one friend to the user; id 0 when none waits.
    static Message LastUnread(quint32 friendUid, quint32 ownUid);
    // Marks the friend's messages to the user with an id up to upToId as read.
    static bool MarkReadUpTo(quint32 friendUid, quint32 ownUid, qint64 upToId);
    // Unread chat messages of one friend to the user, oldest first, with an id above afterId.
    static QVector<Message> UnreadMessages(quint32 friendUid, quint32 ownUid, int afterId = 0);
    static int UnreadCount(quint32 friendUid, quint32 ownUid);
    // Marks the friend's messages to the user as read.
    static bool MarkRead(quint32 friendUid, quint32 ownUid);
    // The newest chat message either way between the user and a friend; two
    // index seeks, so a refresh of the recent chats stays cheap on a long history.
    static Message LastMessage(quint32 friendUid, quint32 ownUid);
    // Friend requests to the user that wait for an answer.
    static int WaitingRequests(quint32 ownUid);
};
