#include "CKivFriendNetModel.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "CKivFriendDBModel.h"
#include "CKivFriendGetLeaveMessageModel.h"
#include "CKivFriendSocketCommon.h"
#include "KivLog.h"

CKivFriendNetModel* CKivFriendNetModel::s_instance = nullptr;

namespace {

// Set while Connect_Svr runs: a local port that cannot be bound is reported
// inside it, on the caller's thread.
thread_local bool t_connecting = false;

std::uint32_t commandOf(const char* record, int length) {
    FrameHeader head;
    if (record == nullptr || length < int(sizeof(head))) {
        return 0;
    }
    std::memcpy(&head, record, sizeof(head));
    return head.command;
}

// The server takes only these before a login succeeded; anything else sent
// then would be dropped without a word, and look sent.
bool goesBeforeLogin(std::uint32_t command) {
    return command == ConnectCheck || command == Login || command == Register ||
           command == CheckNumber || command == NewPassword;
}

}  // namespace

CKivFriendNetModel* CKivFriendNetModel::GetInstance() {
    if (s_instance == nullptr) {
        KivRegisterMetaTypes();
        s_instance = new CKivFriendNetModel();
    }
    return s_instance;
}

void CKivFriendNetModel::ReleaseInstance() {
    delete s_instance;
    s_instance = nullptr;
}

CKivFriendNetModel::CKivFriendNetModel() = default;

CKivFriendNetModel::~CKivFriendNetModel() {
    m_stopping = true;
    retireSocket();
    std::lock_guard<std::mutex> guard(m_leaveLock);
    m_leaveModel.reset();
}

void CKivFriendNetModel::SetServerIP_And_Port(const char* address, int port) {
    m_serverAddress = address != nullptr ? QByteArray(address, int(strnlen(address, 127))) : "";
    m_serverPort = port;
}

std::shared_ptr<CKivFriendSocketCommon> CKivFriendNetModel::newSocket() {
    auto socket = std::make_shared<CKivFriendSocketCommon>();
    socket->set_proc_func(&CKivFriendNetModel::client_recvice_msg, this, false);
    socket->report_read_end(true);
    std::lock_guard<std::mutex> guard(m_proxyLock);
    socket->set_proxy(m_proxy);
    socket->set_tls(m_tls);
    socket->set_dead_link_limits(m_deadLink);
    return socket;
}

void CKivFriendNetModel::SetDeadLinkLimits(const CKivDeadLinkLimits& limits) {
    std::lock_guard<std::mutex> guard(m_proxyLock);
    m_deadLink = limits;
}

void CKivFriendNetModel::SetTls(const CKivTlsSettings& tls) {
    std::lock_guard<std::mutex> guard(m_proxyLock);
    m_tls = tls;
}

void CKivFriendNetModel::SetSocksProxy(const CKivSocks5Proxy& proxy) {
    std::lock_guard<std::mutex> guard(m_proxyLock);
    m_proxy = proxy;
}

std::shared_ptr<CKivFriendSocketCommon> CKivFriendNetModel::currentSocket() const {
    std::lock_guard<std::mutex> guard(m_socketLock);
    return m_socket;
}

std::shared_ptr<CKivFriendSocketCommon> CKivFriendNetModel::currentSocket(
    std::uint64_t& serial) const {
    std::lock_guard<std::mutex> guard(m_socketLock);
    serial = m_socketSerial;
    return m_socket;
}

void CKivFriendNetModel::retireSocket() {
    std::shared_ptr<CKivFriendSocketCommon> socket;
    {
        std::lock_guard<std::mutex> guard(m_socketLock);
        socket.swap(m_socket);
        m_socketSerial = 0;
    }
    if (!socket) {
        return;
    }
    socket->stop();
    // A sender on another thread may still hold it for the send in progress,
    // which returns at once now that the socket is shut down.
    while (socket.use_count() > 1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    socket.reset();
}

void CKivFriendNetModel::Create_Socket() {
    m_stopping = false;
    std::lock_guard<std::mutex> guard(m_socketLock);
    if (!m_socket) {
        m_socket = newSocket();
        m_socketSerial = ++m_lastSerial;
    }
}

void CKivFriendNetModel::Connect_Svr() {
    m_stopping = true;
    retireSocket();
    m_connected = false;
    m_checkPending = false;
    m_loginPending = false;
    m_loggedIn = false;
    endPull();
    m_stopping = false;
    std::shared_ptr<CKivFriendSocketCommon> socket = newSocket();
    {
        std::lock_guard<std::mutex> guard(m_socketLock);
        m_socket = socket;
        m_socketSerial = ++m_lastSerial;
    }
    t_connecting = true;
    socket->connect_remote(-1, m_serverAddress.constData(), m_serverPort, false);
    t_connecting = false;
}

void CKivFriendNetModel::Disconnect_Svr() {
    m_stopping = true;
    Delete_Socket();
}

void CKivFriendNetModel::Delete_Socket() {
    retireSocket();
    m_connected = false;
    endPull();
}

void CKivFriendNetModel::Stop_Thread_Work() {
    m_stopping = true;
    if (std::shared_ptr<CKivFriendSocketCommon> socket = currentSocket()) {
        socket->stop();
    }
}

int CKivFriendNetModel::Send_Msg(const char* record, int length) {
    SentMark mark;
    return Send_Tracked(record, length, mark);
}

int CKivFriendNetModel::Send_Tracked(const char* record, int length, SentMark& mark) {
    mark = SentMark{};
    if (m_stopping || !m_connected) {
        return 0;
    }
    const std::uint32_t command = commandOf(record, length);
    if (!m_loggedIn && !goesBeforeLogin(command)) {
        return 0;
    }
    std::uint64_t serial = 0;
    std::shared_ptr<CKivFriendSocketCommon> socket = currentSocket(serial);
    if (!socket) {
        return 0;
    }
    // Armed before sending: the answer may be dispatched before send returns.
    const bool login = command == Login;
    if (login) {
        m_loginPending = true;
    }
    std::uint64_t endOffset = 0;
    const int sent = socket->send_data(record, length, &endOffset);
    if (login && sent <= 0) {
        m_loginPending = false;
    }
    if (sent == length) {
        mark.connection = serial;
        mark.endOffset = endOffset;
    }
    return sent;
}

void CKivFriendNetModel::RequestConfirmation() {
    if (CKivFriendGetLeaveMessageModel* puller = GetLeaveWord()) {
        puller->RequestConfirmation();
    }
}

std::uint64_t CKivFriendNetModel::ConfirmedBytes(std::uint64_t connection) const {
    std::lock_guard<std::mutex> guard(m_ackLock);
    const auto found = m_confirmed.find(connection);
    return found != m_confirmed.end() ? found->second : 0;
}

void CKivFriendNetModel::confirm(std::uint64_t connection, std::uint64_t end) {
    if (connection == 0) {
        return;
    }
    {
        constexpr std::size_t kKeptConnections = 8;
        std::lock_guard<std::mutex> guard(m_ackLock);
        std::uint64_t& confirmed = m_confirmed[connection];
        confirmed = std::max(confirmed, end);
        while (m_confirmed.size() > kKeptConnections) {
            m_confirmed.erase(m_confirmed.begin());
        }
    }
    emit Confirmed();
}

QByteArray CKivFriendNetModel::GetAccount() const {
    std::lock_guard<std::mutex> guard(m_accountLock);
    return m_account;
}

CKivFriendGetLeaveMessageModel* CKivFriendNetModel::GetLeaveWord() const {
    std::lock_guard<std::mutex> guard(m_leaveLock);
    return m_leaveModel.get();
}

int CKivFriendNetModel::GetBindLocalPort() const {
    std::shared_ptr<CKivFriendSocketCommon> socket = currentSocket();
    return socket ? socket->get_binded_prot() : 0;
}

void CKivFriendNetModel::GetServerAddrInfo(char* address, int capacity, int& port) const {
    std::shared_ptr<CKivFriendSocketCommon> socket = currentSocket();
    if (socket) {
        socket->get_server_ip(address, capacity);
    }
    port = socket ? socket->get_binded_prot() : 0;
}

void CKivFriendNetModel::client_recvice_msg(int event, char* data, int length, void* user) {
    if (user != nullptr) {
        static_cast<CKivFriendNetModel*>(user)->Recvice_Msg(event, data, length);
    }
}

void CKivFriendNetModel::sendConnectCheck() {
    ConnectCheckRequest check;
    KivInitRecord(check, ConnectCheck);
    KivWriteText(check.text, "test");
    if (std::shared_ptr<CKivFriendSocketCommon> socket = currentSocket()) {
        socket->send_data(reinterpret_cast<const char*>(&check), sizeof(check));
    }
}

void CKivFriendNetModel::Recvice_Msg(int event, char* data, int length) {
    // What the burst stored is committed and announced even when the socket
    // is being replaced: those records were dispatched before that began.
    if (event == EVENT_DATA_END) {
        m_inRead = false;
        m_batch.finish();
        return;
    }
    if (m_stopping) {
        return;
    }
    if (event != EVENT_DATA) {
        m_inRead = false;
        m_batch.finish();
    }
    switch (event) {
        case EVENT_DATA:
            m_inRead = true;
            Socket_Kernel(data, length);
            break;
        case EVENT_CONNECT_FAILED:
            m_connected = false;
            endPull();
            if (t_connecting) {
                // Reported inside Connect_Svr: a receiver that deletes the socket
                // must not run while Connect_Svr still uses it.
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        if (!m_stopping) {
                            emit FaildConnect();
                        }
                    },
                    Qt::QueuedConnection);
            } else {
                emit FaildConnect();
            }
            break;
        case EVENT_CLOSED:
            m_connected = false;
            endPull();
            emit CloseConnect();
            break;
        case EVENT_TLS_REFUSED:
        case EVENT_TLS_REQUIRED: {
            m_connected = false;
            endPull();
            const QString reason =
                QString::fromUtf8(data != nullptr ? data : "", data != nullptr ? length : 0);
            qCWarning(lcKivNet).noquote() << "connection stopped:" << reason;
            emit TlsRefused(event == EVENT_TLS_REQUIRED, reason);
            break;
        }
        case EVENT_CONNECTED:
            if (std::shared_ptr<CKivFriendSocketCommon> socket = currentSocket()) {
                const std::string tls = socket->tls_description();
                if (!tls.empty()) {
                    qCInfo(lcKivNet).noquote() << "connected over" << QString::fromStdString(tls);
                }
            }
            m_loginPending = false;
            m_loggedIn = false;
            m_checkPending = true;
            m_connected = true;
            sendConnectCheck();
            break;
        default:
            break;
    }
}

namespace {

QString utf8Text(const char* field, int size) {
    return QString::fromUtf8(KivReadText(field, size));
}

template <std::size_t N>
QString utf8Text(const char (&field)[N]) {
    return utf8Text(field, static_cast<int>(N));
}

}  // namespace

void CKivFriendNetModel::Socket_Kernel(const char* record, int length) {
    if (record == nullptr || length < int(sizeof(FrameHeader)) || length > kKivMaxRecordLength) {
        return;
    }
    FrameHeader head;
    std::memcpy(&head, record, sizeof(head));
    // Received messages and offline items join the batch; anything else
    // first lets the batch go out, so signals keep the order of the records.
    if (head.command != ChatMessage && head.command != LeaveMessage) {
        m_batch.finish();
    }
    dispatch(record, length);
    if (!m_inRead) {
        m_batch.finish();
    }
}

void CKivFriendNetModel::dispatch(const char* record, int length) {
    FrameHeader head;
    std::memcpy(&head, record, sizeof(head));
    switch (head.command) {
        case ConnectCheck:
            if (const auto* check = KivRecordAs<ConnectCheckResult>(record, length)) {
                if (!m_checkPending.exchange(false)) {
                    qCWarning(lcKivNet) << "connection check answer without a check ignored";
                    break;
                }
                emit LoginResult(check->result == 0 ? EVENT_CONNECTED : EVENT_CONNECT_FAILED);
            }
            break;
        case Login:
            onLogin(record, length);
            break;
        case FriendList:
            onList(record, length, false);
            break;
        case VipList:
            onList(record, length, true);
            break;
        case ChatMessage:
            onChat(record, length);
            break;
        case Media:
            onMedia(record, length);
            break;
        case Search:
            onSearch(record, length);
            break;
        case AddFriendPush:
            if (const auto* push = KivRecordAs<AddFriendPushRecord>(record, length)) {
                CKivFriendDBModel::GetInstance()->AddFriend(record);
                // The other user of the request: the receiver of a push is always
                // the own user, so its uid would tell the main window nothing.
                emit AddFriendConfig(push->fromUid);
            }
            break;
        case AddFriendAnswer:
            if (const auto* answer = KivRecordAs<AddFriendAnswerResult>(record, length)) {
                emit AddFriendResult(answer->suid, answer->iReturn);
            }
            break;
        case Register:
            if (const auto* result = KivRecordAs<::RegisterResult>(record, length)) {
                emit RegisterResult(result->result);
            }
            break;
        case DeleteFriend:
            if (const auto* result = KivRecordAs<::DeleteFriendResult>(record, length)) {
                CKivFriendDBModel::GetInstance()->DelFriendChatMsg(result->uid, result->suid);
                emit DeleteFriendResult(result->suid, result->iReturn);
            }
            break;
        case NewPassword:
            if (const auto* result = KivRecordAs<NewPasswordResult>(record, length)) {
                emit SetNewPwd(result->result);
            }
            break;
        case UpdateUserInfo:
            if (const auto* result = KivRecordAs<::UpdateUserInfoResult>(record, length)) {
                emit UpdateUserInfoResult(result->uid, result->iReturn, result->iVersion);
            }
            break;
        case LeaveMessage:
            onLeaveMessage(record, length);
            break;
        case UploadFile:
            if (const auto* reply = KivRecordAs<UploadFileReply>(record, length)) {
                emit UpLoadFile(utf8Text(reply->text, length - int(sizeof(FrameHeader))));
            }
            break;
        case KivCommand::UploadFileResult:
            if (const auto* result = KivRecordAs<UploadFileResultRecord>(record, length)) {
                emit UploadFileResult(utf8Text(result->text, length - int(sizeof(FrameHeader))));
            }
            break;
        case VersionInfo:
            if (const auto* info = KivRecordAs<VersionInfoResult>(record, length)) {
                KivVersionText version{};
                std::memcpy(version.data(), info->version, version.size() - 1);
                emit RequestVersionRet(version);
            }
            break;
        case CheckNumber:
            onCheckNumber(record, length);
            break;
        case SetMyShow:
            if (const auto* show = KivRecordAs<SetMyShowRecord>(record, length)) {
                CKivFriendDBModel::GetInstance()->SaveMyShow(record);
                emit SetMyShowRet(show->result != 0);
            }
            break;
        default:
            break;
    }
}

void CKivFriendNetModel::endPull() {
    if (CKivFriendGetLeaveMessageModel* puller = GetLeaveWord()) {
        puller->SetStop();
    }
}

void CKivFriendNetModel::onLoginRefused(std::int32_t result, std::int32_t errorCode) {
    // A refusal answers the pending login. Once logged in, only the notice that
    // the account logged in elsewhere (error 0) may come unasked.
    const bool answersLogin = m_loginPending.exchange(false);
    if (!answersLogin && !(m_loggedIn && errorCode == 0)) {
        qCWarning(lcKivNet) << "login refusal without a login ignored, error" << errorCode;
        return;
    }
    emit AccountLoginResult(result, errorCode, 0, QString::fromUtf8(GetAccount()), QString(),
                            QString(), QString(), false);
}

void CKivFriendNetModel::onLogin(const char* record, int length) {
    // A short result still says whether the login failed.
    constexpr int kResultEnd = int(offsetof(::LoginResult, errorCode));
    constexpr int kErrorEnd = int(offsetof(::LoginResult, uid));
    if (length < kResultEnd) {
        qCWarning(lcKivNet) << "login result of" << length << "bytes refused";
        return;
    }
    std::int32_t result = 0;
    std::memcpy(&result, record + offsetof(::LoginResult, result), sizeof(result));
    if (result != 0) {
        // Without its error code a refusal selects no message, only ends the wait.
        std::int32_t errorCode = KivLoginUnreadable;
        if (length >= kErrorEnd) {
            std::memcpy(&errorCode, record + offsetof(::LoginResult, errorCode), sizeof(errorCode));
        }
        onLoginRefused(result, errorCode);
        return;
    }
    const auto* login = KivRecordAs<::LoginResult>(record, length);
    if (login == nullptr) {
        qCWarning(lcKivNet) << "successful login result of" << length << "bytes refused";
        return;
    }
    if (!m_loginPending.exchange(false)) {
        qCWarning(lcKivNet) << "login result without a login ignored";
        return;
    }
    const QByteArray account = KivReadText(login->account);
    // The account names the user's folders and head pictures: one that no
    // folder can take is no login.
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    if (!db->CreateDB(QString::fromUtf8(account))) {
        qCWarning(lcKivNet) << "login refused: the account is no folder name";
        emit AccountLoginResult(1, KivLoginUnreadable, 0, QString::fromUtf8(GetAccount()),
                                QString(), QString(), QString(), false);
        return;
    }
    m_loggedIn = true;
    m_uid = login->uid;
    {
        std::lock_guard<std::mutex> guard(m_accountLock);
        m_account = account;
    }
    m_type = static_cast<int>(login->vipFlag);
    {
        std::lock_guard<std::mutex> guard(m_leaveLock);
        if (!m_leaveModel) {
            m_leaveModel = std::make_unique<CKivFriendGetLeaveMessageModel>(login->uid);
        } else {
            m_leaveModel->SetUid(login->uid);
        }
    }
    bool isNew = false;
    db->ConnectDB();
    db->UpdateUserInfor(record, isNew);
    bool headIsNumber = false;
    int head = KivReadText(login->headAdd).trimmed().toInt(&headIsNumber);
    emit AccountLoginResult(0, static_cast<int>(login->uid), headIsNumber ? head : 0,
                            QString::fromUtf8(account), utf8Text(login->sign),
                            utf8Text(login->nickName), QString(), isNew);
}

void CKivFriendNetModel::onList(const char* record, int length, bool vip) {
    const auto* list = KivRecordAs<FriendListResult>(record, length);
    if (list == nullptr) {
        return;
    }
    tag_friend_result& kept = vip ? m_vipResult : m_friendResult;
    kept.count = list->list.count;
    std::memcpy(kept.data, list->list.data, sizeof(kept.data));
    if (vip) {
        emit AccountVipList(kept);
    } else {
        emit AccountFriendList(kept);
    }
}

void CKivFriendNetModel::onChat(const char* record, int length) {
    const auto* chat = KivRecordAs<ChatMessageRecord>(record, length);
    if (chat == nullptr) {
        return;
    }
    auto stored = std::make_shared<ChatMessageRecord>(*chat);
    // The row's id, or 0 while (or when) the message is not stored.
    auto rowId = std::make_shared<qint64>(0);
    m_batch.store([stored, rowId] {
        *rowId = 0;
        return CKivFriendDBModel::GetInstance()->InsertMsg(
            reinterpret_cast<const char*>(stored.get()), rowId.get());
    });
    if (chat->senderUid != m_uid) {
        const Uint32 sender = chat->senderUid;
        const QByteArray text = KivReadText(chat->text);
        m_batch.announce([this, sender, text, rowId] {
            emit SendPerMessage(sender, text, text.size());
            emit ChatMessageStored(sender, *rowId, text);
        });
    }
}

// Call-control records are not written into the chat table: their "text"
// would be the binary state word, shown as a garbage message in the history.
void CKivFriendNetModel::onMedia(const char* record, int length) {
    const auto* media = KivRecordAs<ptl_sys_send_per_media>(record, length);
    if (media == nullptr) {
        return;
    }
    const ptl_sys_send_per_media copy = *media;
    if (media->callerUid == m_uid) {
        switch (media->state) {
            case KivMediaAccepted:
                emit SendYesreqMedia(copy);
                break;
            case KivMediaDeclined:
                emit SendNoreqMedia(copy);
                break;
            case KivMediaClosedByCallee:
                emit SendCloseMedia(copy);
                break;
            default:
                break;
        }
    } else if (media->state == KivMediaRequest) {
        emit SendReqMedia(copy);
    } else if (media->state == KivMediaClosedByCaller) {
        emit SendCloseMedia(copy);
    }
}

void CKivFriendNetModel::onSearch(const char* record, int length) {
    const auto* result = KivRecordAs<SearchResult>(record, length);
    if (result == nullptr) {
        return;
    }
    bool isNew = false;
    if (result->uflg == 1) {
        CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
        db->ConnectDB();
        db->UpdateFriendInfor(record, isNew);
    }
    emit AccountSearchResult(result->uflg, isNew, KivReadText(result->profile.account));
}

// Whether the item is in the file once the batch is committed: only then
// does the next request confirm it to the server.
std::shared_ptr<bool> CKivFriendNetModel::storeOfflineItem(const ::LeaveMessageResult& item) {
    auto stored = std::make_shared<bool>(false);
    const Uint32 rowId = item.ServerDBRowID;
    if (item.Serial == 1) {
        tag_leave_message message{};
        message.uid = item.item.message.uid;
        std::memcpy(message.time, item.item.message.time, sizeof(message.time) - 1);
        // The text is BufLen - 24 bytes, never more than its field holds.
        const int textLength =
            std::min<int>(static_cast<int>(std::min<Uint32>(item.BufLen, 0x10000u)) - 24,
                          static_cast<int>(sizeof(message.text)) - 1);
        if (textLength > 0) {
            std::memcpy(message.text, item.item.message.text, static_cast<size_t>(textLength));
        }
        auto kept = std::make_shared<tag_leave_message>(message);
        m_batch.store([kept, rowId, stored] {
            *stored = CKivFriendDBModel::GetInstance()->SaveLeaveMessage(*kept, rowId);
            return *stored;
        });
    } else {
        auto kept = std::make_shared<AddFriendPushRecord>(item.item.request);
        m_batch.store([kept, rowId, stored] {
            *stored = CKivFriendDBModel::GetInstance()->SaveAddFriendRequest(
                reinterpret_cast<const char*>(kept.get()), rowId);
            return *stored;
        });
    }
    return stored;
}

void CKivFriendNetModel::onLeaveMessage(const char* record, int length) {
    const auto* item = KivRecordAs<::LeaveMessageResult>(record, length);
    if (item == nullptr) {
        return;
    }
    const bool last = item->endFlag != 0;
    const int kind = item->Serial;
    const bool known = !last && (kind == 1 || kind == 2);
    CKivFriendGetLeaveMessageModel::Answer answer;
    if (CKivFriendGetLeaveMessageModel* puller = GetLeaveWord()) {
        answer = puller->Answered(known, last);
    }
    // Every answer proves that the server read what was sent before its request.
    if (answer.solicited) {
        confirm(answer.connection, answer.end);
    }
    const Uint32 rowId = item->ServerDBRowID;
    if (known) {
        const std::shared_ptr<bool> stored = storeOfflineItem(*item);
        const bool resumes = answer.resumes;
        m_batch.announce([this, kind, rowId, stored, resumes] {
            if (resumes) {
                if (CKivFriendGetLeaveMessageModel* puller = GetLeaveWord()) {
                    puller->ItemSettled(kind, rowId, *stored);
                }
            }
            if (kind == 1) {
                emit SendLeaveMessageSignal();
            } else {
                emit SendAddFriendSignal();
            }
        });
    }
    const Uint32 bufLen = item->BufLen;
    m_batch.announce([this, kind, rowId, bufLen] { emit LeaveMessageResult(kind, rowId, bufLen); });
}

void CKivFriendNetModel::onCheckNumber(const char* record, int length) {
    const auto* result = KivRecordAs<CheckNumberResult>(record, length);
    if (result == nullptr) {
        return;
    }
    const QString checkNumber = QString::fromUtf8(
        KivReadText(result->checkNumber, length - int(offsetof(CheckNumberResult, checkNumber))));
    if (result->purpose == 1) {
        emit MsgRegistRet(static_cast<int>(result->uResult), checkNumber,
                          static_cast<int>(result->uid));
    } else {
        emit MsgNewPwd(checkNumber, static_cast<int>(result->uid));
    }
}
