#pragma once

#include <QList>
#include <QStringList>
#include <vector>

#include "KivProtocol.h"

struct tag_chatdlg_Need;

// The friend and VIP lists of a session as the server sent them, and what the
// main window shows of them: the rows of its pages, the recent chats and what
// a chat dialog is told about the friend it talks to.
class KivFriendBook {
public:
    void SetFriends(std::vector<FriendRecord> records) { m_friends = std::move(records); }
    void SetVips(std::vector<FriendRecord> records) { m_vips = std::move(records); }
    const std::vector<FriendRecord>& Friends() const { return m_friends; }
    const std::vector<FriendRecord>& Vips() const { return m_vips; }

    // In either list, else null.
    const FriendRecord* Find(quint32 uid) const;
    bool IsFriend(quint32 uid) const;
    // The name a record carries.
    static QString NameOf(const FriendRecord& record);
    // A user who became a friend in this session, as the database knows him.
    const FriendRecord& AddFromProfile(quint32 uid);
    void DropFriend(quint32 uid);

    // The rows of the friend or the VIP page (`account` is the session's).
    QList<QStringList> Rows(const std::vector<FriendRecord>& records, const QString& account) const;
    // Every friend and VIP user with a stored message, the newest first; the
    // second line is that message's first line.
    QList<QStringList> RecentRows(const QString& account, quint32 ownUid) const;
    // A friend's data for a chat dialog; someone in neither list gets what the
    // database knows of him, else his number.
    tag_chatdlg_Need NeedFor(quint32 uid, quint32 ownUid) const;
    // Friends with an uploaded head picture that is not on disk.
    QList<quint32> MissingHeads(const QString& account) const;

private:
    std::vector<FriendRecord> m_friends;
    std::vector<FriendRecord> m_vips;
};
