#include "CKivDevDispatcher.h"

#include <QtDebug>

#include <cstddef>
#include <cstring>

#include "CKivDevConnection.h"
#include "KivProtocol.h"

namespace {

bool allowedBeforeLogin(std::uint32_t command) {
    return command == ConnectCheck || command == Login || command == Register ||
           command == CheckNumber || command == NewPassword;
}

}  // namespace

CKivDevDispatcher::CKivDevDispatcher(KivDevServices services)
    : m_session(services), m_chat(services), m_friends(services), m_account(services) {}

void CKivDevDispatcher::dispatch(CKivDevConnection& from, const char* data, int length) {
    if (data == nullptr || length < static_cast<int>(sizeof(FrameHeader))) {
        from.close("record too short");
        return;
    }
    std::uint32_t command = 0;
    std::memcpy(&command, data + offsetof(FrameHeader, command), sizeof(command));
    if (!from.loggedIn() && !allowedBeforeLogin(command)) {
        qWarning().noquote() << "kivDevServer:" << from.peer() << "command" << command
                             << "before login ignored";
        return;
    }
    switch (command) {
        case ConnectCheck:
            m_session.connectCheck(from, data, length);
            break;
        case Login:
            m_session.login(from, data, length);
            break;
        case Logout:
            m_session.logout(from, data, length);
            break;
        case Heartbeat:
            m_session.heartbeat(from, data, length);
            break;
        case ChatMessage:
            m_chat.chat(from, data, length);
            break;
        case Media:
            m_chat.media(from, data, length);
            break;
        case LeaveMessage:
            m_chat.leaveMessage(from, data, length);
            break;
        case VipList:
            m_friends.vipList(from, data, length);
            break;
        case Search:
            m_friends.search(from, data, length);
            break;
        case AddFriendRequest:
            m_friends.addFriendRequest(from, data, length);
            break;
        case AddFriendAnswer:
            m_friends.addFriendAnswer(from, data, length);
            break;
        case DeleteFriend:
            m_friends.deleteFriend(from, data, length);
            break;
        case CheckNumber:
            m_account.checkNumber(from, data, length);
            break;
        case Register:
            m_account.registerAccount(from, data, length);
            break;
        case NewPassword:
            m_account.newPassword(from, data, length);
            break;
        case UpdateUserInfo:
            m_account.updateUserInfo(from, data, length);
            break;
        case SetMyShow:
            m_account.setMyShow(from, data, length);
            break;
        case UploadFile:
            m_account.uploadFile(from, data, length);
            break;
        default:
            qWarning().noquote() << "kivDevServer:" << from.peer() << "unknown command" << command
                                 << "ignored";
            break;
    }
}
