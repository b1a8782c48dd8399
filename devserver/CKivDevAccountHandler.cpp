#include "CKivDevAccountHandler.h"

#include <QRegularExpression>
#include <QtDebug>

#include <memory>

#include "CKivDevCheckNumbers.h"
#include "CKivDevConnection.h"
#include "CKivDevFileStore.h"
#include "CKivDevHeadStore.h"
#include "CKivDevUserStore.h"
#include "KivDevRecords.h"

namespace {

// Sends a record whose text runs to its end, cut to the text's length.
template <class R, std::size_t N>
void sendText(CKivDevConnection& to, R& record, char (&field)[N], const QByteArray& text) {
    KivWriteText(field, text);
    const auto length =
        static_cast<std::uint32_t>(reinterpret_cast<const char*>(field) -
                                   reinterpret_cast<const char*>(&record) + std::strlen(field) + 1);
    KivFillHeader(record.head, record.head.command, length);
    to.send(record);
}

}  // namespace

bool CKivDevAccountHandler::isPhoneNumber(const QString& text) {
    static const QRegularExpression rule(QStringLiteral("\\A1[3-8][0-9]{9}\\z"));
    return rule.match(text).hasMatch();
}

void CKivDevAccountHandler::checkNumber(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<CheckNumberRequest>(data, length);
    if (request == nullptr || !KivDevTerminated(request->phone)) {
        from.ignore("CheckNumber", "wrong size or unterminated text");
        return;
    }
    if (request->purpose != kPurposeRegister && request->purpose != kPurposeRecover) {
        from.ignore("CheckNumber", "unknown purpose");
        return;
    }
    const QString phone = KivDevLatin1(request->phone);
    auto result = std::make_unique<CheckNumberResult>();
    KivInitRecord(*result, CheckNumber);
    result->purpose = request->purpose;
    result->uResult = kRefused;
    QString code;
    if (request->purpose == kPurposeRegister) {
        if (isPhoneNumber(phone) && !m_services.users.byAccountOrPhone(phone)) {
            result->uid = m_services.checkNumbers.reserveUid(m_services.users.highestUid());
            code = m_services.checkNumbers.issue(phone, result->uid);
            result->uResult = kIssued;
        }
    } else if (const std::optional<KivDevUser> user = m_services.users.byPhone(phone)) {
        result->uid = user->uid;
        code = CKivDevCheckNumbers::randomCode();
        result->uResult = kIssued;
        from.grantRecovery(user->uid);
    }
    if (!code.isEmpty()) {
        qInfo().noquote() << "kivDevServer: check number for" << phone << "is" << code << "(uid"
                          << result->uid << ")";
    }
    sendText(from, *result, result->checkNumber, code.toLatin1());
}

void CKivDevAccountHandler::registerAccount(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<RegisterRequest>(data, length);
    if (request == nullptr || !KivDevTerminated(request->account) ||
        !KivDevTerminated(request->password) || !KivDevTerminated(request->phone) ||
        !KivDevTerminated(request->checkNumber)) {
        from.ignore("Register", "wrong size or unterminated text");
        return;
    }
    const QString account = KivDevLatin1(request->account);
    const QByteArray password = KivReadText(request->password);
    RegisterResult result;
    KivInitRecord(result, Register);
    if (m_services.users.byAccountOrPhone(account)) {
        result.result = kAccountTaken;
    } else if (!isPhoneNumber(account) || account != KivDevLatin1(request->phone) ||
               password.isEmpty() ||
               !m_services.checkNumbers.redeem(account, KivDevLatin1(request->checkNumber),
                                               request->uid)) {
        result.result = kRegisterRefused;
    } else {
        KivDevUser user;
        user.uid = request->uid;
        user.account = account;
        user.nickName = account;
        user.phone = account;
        result.result = m_services.users.create(user, CKivDevUserStore::digest(password))
                            ? kRegistered
                            : kRegisterRefused;
    }
    qInfo().noquote() << "kivDevServer: register" << account << "uid" << request->uid << "result"
                      << result.result;
    from.send(result);
}

void CKivDevAccountHandler::newPassword(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<NewPasswordRequest>(data, length);
    if (request == nullptr || !KivDevTerminated(request->password)) {
        from.ignore("NewPassword", "wrong size or unterminated text");
        return;
    }
    const QByteArray password = KivReadText(request->password);
    NewPasswordResult result;
    KivInitRecord(result, NewPassword);
    result.result = 0;
    if (!password.isEmpty() && from.takeRecovery(request->uid) &&
        m_services.users.setPassword(request->uid, CKivDevUserStore::digest(password))) {
        result.result = 1;
    }
    qInfo().noquote() << "kivDevServer: new password for uid" << request->uid << "result"
                      << result.result;
    from.send(result);
}

void CKivDevAccountHandler::updateUserInfo(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<UpdateUserInfoRequest>(data, length);
    if (request == nullptr) {
        from.ignore("UpdateUserInfo", "wrong size");
        return;
    }
    const UserProfile& profile = request->profile;
    if (!from.isOwn(profile.uid, "UpdateUserInfo")) {
        return;
    }
    UpdateUserInfoResult result;
    KivInitRecord(result, UpdateUserInfo);
    result.uid = from.uid();
    result.iReturn = kUpdateRefused;
    std::optional<KivDevUser> user = m_services.users.byUid(from.uid());
    const bool textsOk = KivDevTerminated(profile.nickName) && KivDevTerminated(profile.sign) &&
                         KivDevTerminated(profile.area) && KivDevTerminated(profile.phone) &&
                         KivDevTerminated(profile.birthday);
    const bool headOk = profile.head < CKivDevHeadStore::kFirstHead ||
                        m_services.heads.ownsPicture(from.uid(), profile.head);
    // A phone number identifies its account for registration and recovery.
    const std::optional<KivDevUser> phoneOwner =
        textsOk ? m_services.users.byAccountOrPhone(KivDevLatin1(profile.phone)) : std::nullopt;
    const bool phoneOk = !phoneOwner || phoneOwner->uid == from.uid();
    if (user && textsOk && headOk && phoneOk && (profile.sex == 0 || profile.sex == 1)) {
        user->sex = profile.sex;
        user->head = profile.head;
        user->nickName = KivDevUtf8(profile.nickName);
        user->sign = KivDevUtf8(profile.sign);
        user->area = KivDevUtf8(profile.area);
        user->phone = KivDevLatin1(profile.phone);
        user->birthday = KivDevUtf8(profile.birthday);
        result.iVersion = m_services.users.updateProfile(*user);
        if (result.iVersion != 0) {
            result.iReturn = kUpdated;
        }
    } else if (user) {
        from.ignore("UpdateUserInfo", "bad texts, sex, phone or head number");
        result.iVersion = user->version;
    }
    from.send(result);
}

void CKivDevAccountHandler::setMyShow(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<SetMyShowRecord>(data, length);
    if (request == nullptr || !KivDevTerminated(request->sign)) {
        from.ignore("SetMyShow", "wrong size or unterminated text");
        return;
    }
    if (!from.isOwn(request->uid, "SetMyShow")) {
        return;
    }
    const QString sign = KivDevUtf8(request->sign);
    SetMyShowRecord result;
    KivInitRecord(result, SetMyShow);
    result.uid = from.uid();
    KivDevWrite(result.sign, sign);
    result.result = m_services.users.setSign(from.uid(), sign) != 0 ? 1u : 0u;
    from.send(result);
}

void CKivDevAccountHandler::uploadFile(CKivDevConnection& from, const char* data, int length) {
    const auto* request = KivDevExact<UploadFileRequest>(data, length);
    std::uint32_t session = 0;
    if (request == nullptr) {
        from.ignore("UploadFile", "wrong size");
    } else if (!from.isOwn(request->uid, "UploadFile")) {
        // Refused; answered below all the same.
    } else if (request->kind == kUploadHead) {
        session = m_services.heads.openSession(from.uid());
    } else if (request->kind == kUploadAttachment) {
        session = m_services.files.openSession(from.uid());
    } else {
        from.ignore("UploadFile", "unknown kind");
    }
    // Every request gets its answer, in order: the answers carry no tag, so
    // the client hands each one to its oldest waiting request.
    qInfo().noquote() << "kivDevServer: upload session" << session << "for uid" << from.uid()
                      << "kind" << (request != nullptr ? request->kind : 0u);
    auto reply = std::make_unique<UploadFileReply>();
    KivInitRecord(*reply, UploadFile);
    sendText(from, *reply, reply->text, QByteArray::number(session));
}
