#include "CKivDevFriendHandler.h"

#include <QtDebug>

#include <algorithm>
#include <memory>

#include "CKivDevConnection.h"
#include "CKivDevOfflineStore.h"
#include "CKivDevOnlineUsers.h"
#include "CKivDevUserStore.h"
#include "KivDevRecords.h"

void CKivDevFriendHandler::vipList(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<VipListRequest>(data, length);
    if (request == nullptr || request->accountLength >= sizeof(request->account)) {
        from.ignore("VipList", "wrong size or account length");
        return;
    }
    std::vector<KivDevUser> vips = m_services.users.vipUsers();
    vips.erase(std::remove_if(vips.begin(), vips.end(),
                              [&](const KivDevUser& user) { return user.uid == from.uid(); }),
               vips.end());
    auto list = std::make_unique<VipListResult>();
    KivDevFillList(*list, VipList, vips);
    from.send(*list);
}

void CKivDevFriendHandler::search(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<SearchRequest>(data, length);
    if (request == nullptr || !KivDevTerminated(request->account)) {
        from.ignore("Search", "wrong size or unterminated text");
        return;
    }
    if (!from.isOwn(request->uid, "Search")) {
        return;
    }
    const QString text = KivDevLatin1(request->account).simplified();
    SearchResult result;
    KivInitRecord(result, Search);
    const std::optional<KivDevUser> found =
        text.isEmpty() ? std::nullopt : m_services.users.byAccountOrPhone(text);
    if (found) {
        result.uflg = kFound;
        KivDevFillProfile(result.profile, *found);
    } else {
        result.uflg = kNotFound;
    }
    from.send(result);
}

void CKivDevFriendHandler::addFriendRequest(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<AddFriendRequestRecord>(data, length);
    if (request == nullptr || !KivDevTerminated(request->verifyText)) {
        from.ignore("AddFriendRequest", "wrong size or unterminated text");
        return;
    }
    if (!from.isOwn(request->fromUid, "AddFriendRequest")) {
        return;
    }
    const std::optional<KivDevUser> asker = m_services.users.byUid(from.uid());
    if (request->toUid == from.uid() || !asker || !m_services.users.byUid(request->toUid)) {
        from.ignore("AddFriendRequest", "no such user to ask");
        return;
    }
    const QByteArray text = KivReadText(request->verifyText);
    m_services.users.addRequest(from.uid(), request->toUid);
    AddFriendPushRecord push;
    KivDevFillPush(push, *asker, from.uid(), request->toUid, text);
    if (!m_services.online.send(request->toUid, push)) {
        m_services.offline.add(request->toUid, CKivDevOfflineStore::RequestItem, from.uid(), text);
    }
}

void CKivDevFriendHandler::sendAnswerResult(std::uint32_t asker, std::uint32_t answerer,
                                            std::uint32_t result) {
    AddFriendAnswerResult record;
    KivInitRecord(record, AddFriendAnswer);
    record.suid = answerer;
    record.iReturn = result;
    m_services.online.send(asker, record);
}

void CKivDevFriendHandler::pushFriendship(std::uint32_t to, std::uint32_t newFriend) {
    const std::optional<KivDevUser> user = m_services.users.byUid(newFriend);
    if (!user) {
        return;
    }
    AddFriendPushRecord push;
    KivDevFillPush(push, *user, newFriend, to, QByteArray());
    m_services.online.send(to, push);
}

void CKivDevFriendHandler::addFriendAnswer(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<AddFriendAnswerRequest>(data, length);
    if (request == nullptr) {
        from.ignore("AddFriendAnswer", "wrong size");
        return;
    }
    if (!from.isOwn(request->ownUid, "AddFriendAnswer")) {
        return;
    }
    if (request->answer != kAnswerAccept && request->answer != kAnswerAutomatic) {
        from.ignore("AddFriendAnswer", "unknown answer");
        return;
    }
    const std::uint32_t asker = request->askerUid;
    const std::uint32_t own = from.uid();
    // Only a user who asked can be made a friend this way.
    if (!m_services.users.takeRequest(asker, own)) {
        from.ignore("AddFriendAnswer", "that user did not ask");
        return;
    }
    const bool wereFriends = m_services.users.areFriends(asker, own);
    if (!m_services.users.addFriendship(asker, own)) {
        return;
    }
    if (wereFriends || request->answer == kAnswerAutomatic) {
        sendAnswerResult(asker, own, kAlreadyFriends);
        return;
    }
    qInfo().noquote() << "kivDevServer: uid" << asker << "and uid" << own << "are friends now";
    pushFriendship(own, asker);
    pushFriendship(asker, own);
    sendAnswerResult(asker, own, kAccepted);
}

void CKivDevFriendHandler::deleteFriend(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<DeleteFriendRequest>(data, length);
    if (request == nullptr) {
        from.ignore("DeleteFriend", "wrong size");
        return;
    }
    if (!from.isOwn(request->ownUid, "DeleteFriend")) {
        return;
    }
    const std::uint32_t other = request->friendUid;
    const bool removed = m_services.users.removeFriendship(from.uid(), other);
    DeleteFriendResult result;
    KivInitRecord(result, DeleteFriend);
    result.uid = from.uid();
    result.suid = other;
    result.iReturn = removed ? 1u : 0u;
    from.send(result);
    if (removed) {
        result.uid = other;
        result.suid = from.uid();
        m_services.online.send(other, result);
    }
}
