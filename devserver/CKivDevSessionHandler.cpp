#include "CKivDevSessionHandler.h"

#include <QtDebug>

#include <memory>

#include "CKivDevConnection.h"
#include "CKivDevOnlineUsers.h"
#include "CKivDevUserStore.h"
#include "KivDevRecords.h"

void CKivDevSessionHandler::connectCheck(CKivDevConnection& from, const char* data, int length) {
    if (KivDevExact<ConnectCheckRequest>(data, length) == nullptr) {
        from.ignore("ConnectCheck", "wrong size");
        return;
    }
    ConnectCheckResult result;
    KivInitRecord(result, ConnectCheck);
    result.result = 0;
    from.send(result);
}

void CKivDevSessionHandler::sendLoginFailure(CKivDevConnection& to, int errorCode) {
    LoginResult result;
    KivInitRecord(result, Login);
    result.result = 1;
    result.errorCode = errorCode;
    to.send(result);
}

void CKivDevSessionHandler::sendFriendList(CKivDevConnection& to) {
    auto list = std::make_unique<FriendListResult>();
    KivDevFillList(*list, FriendList, m_services.users.friendsOf(to.uid()));
    to.send(*list);
}

void CKivDevSessionHandler::login(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<LoginRequest>(data, length);
    if (request == nullptr || !KivDevTerminated(request->account) ||
        !KivDevTerminated(request->password)) {
        from.ignore("Login", "wrong size or unterminated text");
        return;
    }
    const QString account = KivDevLatin1(request->account);
    const std::optional<KivDevUser> user = m_services.users.byAccount(account);
    if (!user) {
        qInfo().noquote() << "kivDevServer:" << from.peer() << "login for unknown account"
                          << account;
        sendLoginFailure(from, kErrorUnknownAccount);
        return;
    }
    const QString digest = KivDevLatin1(request->password).toLower();
    if (digest.isEmpty() || digest != m_services.users.passwordDigest(user->uid)) {
        qInfo().noquote() << "kivDevServer:" << from.peer() << "wrong password for" << account;
        sendLoginFailure(from, kErrorPassword);
        return;
    }
    if (from.loggedIn() && from.uid() != user->uid) {
        m_services.online.remove(from.uid(), &from);
    }
    if (CKivDevConnection* previous = m_services.online.replace(user->uid, &from)) {
        sendLoginFailure(*previous, kErrorElsewhere);
        previous->close("the account logged in elsewhere");
    }
    from.setUid(user->uid);
    from.noteHeartbeat();
    qInfo().noquote() << "kivDevServer:" << from.peer() << "logged in as" << account << "uid"
                      << user->uid;

    LoginResult result;
    KivDevFillLoginResult(result, *user);
    from.send(result);
    sendFriendList(from);
    VersionInfoResult version;
    KivInitRecord(version, VersionInfo);
    KivWriteText(version.version, kVersion);
    from.send(version);
}

void CKivDevSessionHandler::logout(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<LogoutRequest>(data, length);
    if (request == nullptr) {
        from.ignore("Logout", "wrong size");
        return;
    }
    if (!from.isOwn(request->uid, "Logout")) {
        return;
    }
    m_services.online.remove(from.uid(), &from);
    from.close("logged out");
}

void CKivDevSessionHandler::heartbeat(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<HeartbeatRequest>(data, length);
    if (request == nullptr) {
        from.ignore("Heartbeat", "wrong size");
        return;
    }
    if (!from.isOwn(request->uid, "Heartbeat")) {
        return;
    }
    from.noteHeartbeat();
    qDebug().noquote() << "kivDevServer: heartbeat from uid" << from.uid() << "at"
                       << from.lastHeartbeat().toString(Qt::ISODate);
}
