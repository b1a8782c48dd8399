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
