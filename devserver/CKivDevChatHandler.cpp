#include "CKivDevChatHandler.h"

#include <QtDebug>

#include <memory>

#include "CKivDevConnection.h"
#include "CKivDevOfflineStore.h"
#include "CKivDevOnlineUsers.h"
#include "CKivDevUserStore.h"
#include "KivDevRecords.h"

void CKivDevChatHandler::chat(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<ChatMessageRecord>(data, length);
    if (request == nullptr || !KivDevTerminated(request->text)) {
        from.ignore("ChatMessage", "wrong size or unterminated text");
        return;
    }
    if (!from.isOwn(request->senderUid, "ChatMessage")) {
        return;
    }
    const std::uint32_t receiver = request->receiverUid;
    if (receiver == from.uid() || !m_services.users.byUid(receiver)) {
        from.ignore("ChatMessage", "no such receiver");
        return;
    }
    const QByteArray text = KivReadText(request->text);
    ChatMessageRecord relay;
    KivInitRecord(relay, ChatMessage);
    relay.senderUid = from.uid();
    relay.receiverUid = receiver;
    KivWriteText(relay.text, text);
    if (!m_services.online.send(receiver, relay)) {
        m_services.offline.add(receiver, CKivDevOfflineStore::ChatItem, from.uid(), text);
    }
}

void CKivDevChatHandler::media(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<ptl_sys_send_per_media>(data, length);
    if (request == nullptr || !KivDevTerminated(request->addressA) ||
        !KivDevTerminated(request->addressB)) {
        from.ignore("Media", "wrong size or unterminated text");
        return;
    }
    std::uint32_t other = 0;
    if (request->callerUid == from.uid()) {
        other = request->calleeUid;
    } else if (request->calleeUid == from.uid()) {
        other = request->callerUid;
    } else {
        from.isOwn(request->callerUid, "Media");
        return;
    }
    ptl_sys_send_per_media relay = *request;
    KivFillHeader(relay.head, Media, sizeof(relay));
    if (!m_services.online.send(other, relay)) {
        from.ignore("Media", "the other user is not online");
    }
}

void CKivDevChatHandler::leaveMessage(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<LeaveMessageRequest>(data, length);
    if (request == nullptr) {
        from.ignore("LeaveMessage", "wrong size");
        return;
    }
    if (!from.isOwn(request->uid, "LeaveMessage")) {
        return;
    }
    // Asking for the item after a row id confirms everything up to it.
    m_services.offline.acknowledge(from.uid(), request->lastRowId);

    auto result = std::make_unique<LeaveMessageResult>();
    KivInitRecord(*result, LeaveMessage);
    std::uint32_t after = request->lastRowId;
    while (const std::optional<CKivDevOfflineStore::Item> item =
               m_services.offline.next(from.uid(), after)) {
        after = item->id;
        if (item->kind == CKivDevOfflineStore::ChatItem) {
            tag_leave_message& message = result->item.message;
            message.uid = item->sender;
            KivWriteText(message.time, item->sentAt.toLatin1());
            KivWriteText(message.text, item->text);
            result->BufLen = static_cast<std::uint32_t>(offsetof(tag_leave_message, text) +
                                                        std::strlen(message.text) + 1);
        } else {
            const std::optional<KivDevUser> sender = m_services.users.byUid(item->sender);
            if (!sender) {
                continue;
            }
            KivDevFillPush(result->item.request, *sender, item->sender, from.uid(), item->text);
            result->BufLen = sizeof(AddFriendPushRecord);
        }
        result->Serial = item->kind;
        result->ServerDBRowID = item->id;
        result->endFlag = 0;
        from.send(*result);
        return;
    }
    result->endFlag = 1;
    from.send(*result);
}
