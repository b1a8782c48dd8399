#include "CKivSession.h"

#include <QCryptographicHash>
#include <QSettings>

#include "CKivChatOutbox.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSocketCommon.h"
#include "CKivReconnectModel.h"
#include "KivProfileUpdate.h"
#include "KivUploadSessions.h"
#include "KivUserSettings.h"

CKivSession::CKivSession(CKivFriendNetModel& net, CKivFriendHearbeatModel& heartbeat,
                         QObject* parent, KivTimerSource& timers)
    : QObject(parent),
      m_net(net),
      m_heartbeat(heartbeat),
      m_timers(timers),
      m_pReconnect(new CKivReconnectModel(&net, this, timers)),
      m_pOutbox(new CKivChatOutbox(this)),
      m_pUploads(new KivUploadSessions(*this)) {}

CKivSession::~CKivSession() = default;

CKivFriendDBModel& CKivSession::Database() const {
    return *CKivFriendDBModel::GetInstance();
}

quint32 CKivSession::Uid() const {
    return m_net.GetUID();
}

void CKivSession::Begin(quint32 uid, const QByteArray& loginRequest) {
    m_heartbeat.StartSendHearbeat(static_cast<unsigned long>(uid));
    m_pReconnect->Arm(loginRequest);
}

void CKivSession::ReadLoginChoices(const QString& account) {
    const QSettings ini(KivUserSettings::FileFor(account), QSettings::IniFormat);
    for (const char* key : {"BootStart", "AutoLogin", "ForgetPwd"}) {
        m_own.settings[QString::fromLatin1(key)] =
            ini.value(QStringLiteral("/BaseSetting/") + QLatin1String(key)).toInt();
    }
}

void CKivSession::ReadAccountSettings(const QString& account) {
    const QSettings ini(KivUserSettings::FileFor(account), QSettings::IniFormat);
    for (const char* key : {"CloseMaindlg", "MarginHide", "WindowFront"}) {
        m_own.settings[QString::fromLatin1(key)] =
            ini.value(QStringLiteral("/BaseSetting/") + QLatin1String(key)).toInt();
    }
    m_own.settings[QStringLiteral("DesktopNotify")] =
        ini.value(QStringLiteral("/BaseSetting/DesktopNotify"), 1).toInt();
    const std::pair<const char*, const char*> texts[] = {
        {"/HostKeyName/ShowmDlgName", "ShowmDlgName"},
        {"/HostKeyName/GetmsgName", "GetmsgName"},
        {"/HostKeyName/SndpicName", "SndpicName"},
        {"/HostKeyName/HideFriendName", "HideFriendName"},
        {"/HostKey/ShowmDlg", "ShowmDlgKey"},
        {"/HostKey/Getmsg", "GetmsgKey"},
        {"/HostKey/Sndmsg", "SndmsgKey"},
        {"/HostKey/Sndpic", "SndpicKey"},
        {"/HostKey/HideFriend", "HideFriendKey"},
    };
    for (const auto& [file, name] : texts)
        m_own.hotKeyText[QString::fromLatin1(name)] =
            ini.value(QString::fromLatin1(file)).toString();
}

void CKivSession::ReconnectNow() {
    m_pReconnect->TryNow();
}

void CKivSession::Resumed(quint32 uid) {
    m_pReconnect->LoginSucceeded();
    m_heartbeat.StartSendHearbeat(static_cast<unsigned long>(uid));
}

void CKivSession::End() {
    m_pReconnect->Disarm();
    m_heartbeat.set_stop();
}

template <typename Record>
bool CKivSession::Send(const Record& record) {
    static_assert(KivIsRecord<Record>, "not a wire record");
    const bool sent = m_net.Send_Msg(reinterpret_cast<const char*>(&record), int(sizeof(record))) ==
                      int(sizeof(record));
    m_recordsSent += sent ? 1 : 0;
    return sent;
}

QByteArray CKivSession::LoginRequest(const QString& account, const QString& password) {
    ::LoginRequest request;
    KivInitRecord(request, Login);
    KivWriteText(request.account, account.toLatin1());
    KivWriteText(request.password,
                 QCryptographicHash::hash(password.toLatin1(), QCryptographicHash::Md5).toHex());
    CKivFriendSocketCommon::get_local_ip(request.localIp, sizeof(request.localIp));
    request.param1 = 23;
    request.param2 = 0;
    request.param3 = 1;
    return QByteArray(reinterpret_cast<const char*>(&request), sizeof(request));
}

bool CKivSession::SendLogin(const QByteArray& request) {
    const bool sent = m_net.Send_Msg(request.constData(), request.size()) == request.size();
    m_recordsSent += sent ? 1 : 0;
    return sent;
}

bool CKivSession::RequestCheckNumber(const QString& phone, KivCheckPurpose purpose) {
    CheckNumberRequest request;
    KivInitRecord(request, CheckNumber);
    request.purpose = purpose;
    KivWriteText(request.phone, phone.toLatin1());
    return Send(request);
}

bool CKivSession::Register(quint32 uid, const QString& phone, const QString& password,
                           const QString& checkNumber) {
    RegisterRequest request;
    KivInitRecord(request, ::Register);
    request.uid = uid;
    KivWriteText(request.account, phone.toLatin1());
    KivWriteText(request.clientKind, "PC");
    request.param1 = 1;
    KivWriteText(request.password, password.toLatin1());
    KivWriteText(request.phone, phone.toLatin1());
    KivWriteText(request.checkNumber, checkNumber.toLatin1());
    request.param2 = 1;
    return Send(request);
}

bool CKivSession::SetNewPassword(quint32 uid, const QString& password) {
    NewPasswordRequest request;
    KivInitRecord(request, NewPassword);
    request.uid = uid;
    KivWriteText(request.password, password.toLatin1());
    return Send(request);
}

bool CKivSession::SendSign(const QString& sign) {
    SetMyShowRecord record;
    KivInitRecord(record, SetMyShow);
    record.uid = Uid();
    KivWriteText(record.sign, sign.toUtf8());
    return Send(record);
}

bool CKivSession::AskVipList() {
    VipListRequest request;
    KivInitRecord(request, VipList);
    KivWriteText(request.account, QString::fromUtf8(m_net.GetAccount()).toLatin1());
    request.accountLength = Uint32(qstrlen(request.account));
    return Send(request);
}

bool CKivSession::SendLogout() {
    LogoutRequest request;
    KivInitRecord(request, Logout);
    request.uid = Uid();
    request.status = 5;
    return Send(request);
}

bool CKivSession::SearchUser(const QString& accountOrPhone) {
    SearchRequest request;
    KivInitRecord(request, Search);
    request.uid = Uid();
    KivWriteText(request.account, accountOrPhone.simplified().toLatin1());
    request.param1 = 1;
    request.param2 = 0;
    // The local profile table keeps no versions, so the server always sends the whole profile.
    request.profileVersion = 0;
    return Send(request);
}

bool CKivSession::AskFriend(quint32 friendUid, const QByteArray& verifyText) {
    AddFriendRequestRecord request;
    KivInitRecord(request, AddFriendRequest);
    request.fromUid = Uid();
    request.toUid = friendUid;
    KivWriteText(request.verifyText, verifyText);
    return Send(request);
}

bool CKivSession::AnswerFriend(quint32 askerUid, KivFriendAnswer answer) {
    AddFriendAnswerRequest record;
    KivInitRecord(record, AddFriendAnswer);
    record.askerUid = askerUid;
    record.ownUid = Uid();
    record.answer = answer;
    return Send(record);
}

bool CKivSession::AskDeleteFriend(quint32 friendUid) {
    DeleteFriendRequest request;
    KivInitRecord(request, DeleteFriend);
    request.ownUid = Uid();
    request.friendUid = friendUid;
    return Send(request);
}

bool CKivSession::UpdateProfile(const KivContactProfile& profile) {
    return Send(KivProfileUpdate::Build(profile));
}

bool CKivSession::AskUpload(KivUploadPurpose purpose) {
    UploadFileRequest request;
    KivInitRecord(request, UploadFile);
    request.uid = Uid();
    request.kind = purpose;
    return Send(request);
}

bool CKivSession::SendCall(const ptl_sys_send_per_media& record, KivMediaState state) {
    ptl_sys_send_per_media out = record;
    KivFillHeader(out.head, Media, sizeof(out));
    out.state = state;
    return Send(out);
}

bool CKivSession::AcceptCall(const ptl_sys_send_per_media& answer) {
    ptl_sys_send_per_media out = answer;
    out.head.command = Media;
    return Send(out);
}

bool CKivSession::AnswerCall(const ptl_sys_send_per_media& record, KivMediaState state) {
    ptl_sys_send_per_media out = record;
    out.state = state;
    return Send(out);
}
