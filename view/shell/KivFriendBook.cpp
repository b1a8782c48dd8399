#include "shell/KivFriendBook.h"

#include <QFileInfo>
#include <QSet>
#include <algorithm>

#include "KivChatQueries.h"
#include "KivContactQueries.h"
#include "chat/tag_chatdlg_Need.h"
#include "support/KivHeadPath.h"

namespace {

QString HeadPicture(const QString& account, const FriendRecord& record) {
    return KivHeadPath::OrDefault(KivHeadPath::Friend(account, record.uid, int(record.head)));
}

}  // namespace

const FriendRecord* KivFriendBook::Find(quint32 uid) const {
    for (const std::vector<FriendRecord>* records : {&m_friends, &m_vips}) {
        for (const FriendRecord& record : *records) {
            if (record.uid == uid)
                return &record;
        }
    }
    return nullptr;
}

bool KivFriendBook::IsFriend(quint32 uid) const {
    return std::any_of(m_friends.begin(), m_friends.end(),
                       [uid](const FriendRecord& record) { return record.uid == uid; });
}

QString KivFriendBook::NameOf(const FriendRecord& record) {
    return QString::fromUtf8(KivReadText(record.name));
}

const FriendRecord& KivFriendBook::AddFromProfile(quint32 uid) {
    const KivContactProfile profile = KivContactQueries::ByUid(uid);
    FriendRecord record{};
    record.uid = uid;
    record.head = Uint32(qMax(0, profile.head));
    KivWriteText(record.name,
                 (profile.nickName.isEmpty() ? profile.account : profile.nickName).toUtf8());
    m_friends.push_back(record);
    return m_friends.back();
}

void KivFriendBook::DropFriend(quint32 uid) {
    m_friends.erase(std::remove_if(m_friends.begin(), m_friends.end(),
                                   [uid](const FriendRecord& r) { return r.uid == uid; }),
                    m_friends.end());
}

QList<QStringList> KivFriendBook::Rows(const std::vector<FriendRecord>& records,
                                       const QString& account) const {
    QList<QStringList> rows;
    for (const FriendRecord& record : records) {
        const KivContactProfile profile = KivContactQueries::ByUid(record.uid);
        const QString name = NameOf(record);
        rows.append({name.isEmpty() ? profile.account : name, HeadPicture(account, record),
                     profile.sign, QString(), profile.account, QString::number(record.uid)});
    }
    return rows;
}

QList<QStringList> KivFriendBook::RecentRows(const QString& account, quint32 ownUid) const {
    struct Entry {
        QString time;
        QStringList row;
    };
    std::vector<Entry> entries;
    QSet<quint32> listed;
    for (const std::vector<FriendRecord>* records : {&m_friends, &m_vips}) {
        for (const FriendRecord& record : *records) {
            if (listed.contains(record.uid))
                continue;
            listed.insert(record.uid);
            const KivChatQueries::Message last = KivChatQueries::LastMessage(record.uid, ownUid);
            if (last.id == 0)
                continue;
            entries.push_back({last.time,
                               {NameOf(record), HeadPicture(account, record),
                                last.text.split(QLatin1Char('\n')).value(0), last.time, QString(),
                                QString::number(record.uid)}});
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.time > b.time; });
    QList<QStringList> rows;
    for (const Entry& entry : entries)
        rows.append(entry.row);
    return rows;
}

tag_chatdlg_Need KivFriendBook::NeedFor(quint32 uid, quint32 ownUid) const {
    tag_chatdlg_Need need;
    need.ownUid = ownUid;
    need.friendUid = uid;
    const KivContactProfile profile = KivContactQueries::ByUid(uid);
    if (const FriendRecord* record = Find(uid)) {
        need.headIndex = record->head;
        need.nickName = NameOf(*record);
    } else {
        need.headIndex = Uint32(qMax(0, profile.head));
        need.nickName = profile.nickName;
    }
    if (need.nickName.isEmpty())
        need.nickName = profile.account;
    if (need.nickName.isEmpty())
        need.nickName = QString::number(uid);
    need.account = profile.account;
    need.sign = profile.sign;
    return need;
}

QList<quint32> KivFriendBook::MissingHeads(const QString& account) const {
    QList<quint32> missing;
    for (const FriendRecord& record : m_friends) {
        if (record.head >= Uint32(KivHeadPath::kFirstUploadedHead) &&
            !QFileInfo::exists(KivHeadPath::UploadedFriend(account, record.uid))) {
            missing.append(record.uid);
        }
    }
    return missing;
}
