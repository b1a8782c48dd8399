#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "CKivFriendTcpSelect.h"
#include "CKivReceiveBatch.h"
#include "CKivSocks5Proxy.h"
#include "CKivTlsSettings.h"
#include "KivMetaTypes.h"
#include "KivProtocol.h"

class CKivFriendSocketCommon;
class CKivFriendGetLeaveMessageModel;

// The client's one connection to the messaging server: owns the socket, turns
// its events into signals, dispatches every received record (storing what must
// be stored) and sends records for every part of the client.
//
// Signals are emitted on the socket's receive thread. Every argument is a value
// (or a reference to one) so that queued receivers get their own copy: the
// receive path reuses its buffers as soon as the dispatcher returns.
class CKivFriendNetModel : public QObject {
    Q_OBJECT

public:
    // Where a sent record ends in the stream of the connection that carried it.
    struct SentMark {
        std::uint64_t connection = 0;  // 0: not sent
        std::uint64_t endOffset = 0;
    };

    static CKivFriendNetModel* GetInstance();
    static void ReleaseInstance();

    void SetServerIP_And_Port(const char* address, int port);
    void Create_Socket();
    // Replaces any socket by a new one connecting to the stored server; the
    // outcome arrives as LoginResult/FaildConnect. Events of the old socket are dropped.
    void Connect_Svr();
    // Connections made from now on go through this SOCKS5 proxy (none when not enabled).
    void SetSocksProxy(const CKivSocks5Proxy& proxy);
    // Connections made from now on run inside TLS when it is enabled.
    void SetTls(const CKivTlsSettings& tls);
    // Connections made from now on count as dead within these limits.
    void SetDeadLinkLimits(const CKivDeadLinkLimits& limits);
    void Disconnect_Svr();
    void Delete_Socket();
    void Stop_Thread_Work();
    bool Return_Exit_State() const { return m_stopping; }
    void Set_Exit_State(bool stopping) { m_stopping = stopping; }
    // Sends one record in one call: the bytes sent (negative on error), or 0 when
    // not connected, stopping or without a socket.
    int Send_Msg(const char* record, int length);
    // Send_Msg that also tells where the record ends in the connection's stream.
    int Send_Tracked(const char* record, int length, SentMark& mark);
    // Asks the server to prove it read what was sent so far: the answer to the
    // next offline-pull request does (the server answers in order).
    void RequestConfirmation();
    // How much of a connection's stream the server has proven it read, also
    // after that connection ended; 0 for one no longer known.
    std::uint64_t ConfirmedBytes(std::uint64_t connection) const;

    Uint32 GetUID() const { return m_uid; }
    QByteArray GetAccount() const;
    int GetType() const { return m_type; }
    CKivFriendGetLeaveMessageModel* GetLeaveWord() const;
    int GetBindLocalPort() const;
    void GetServerAddrInfo(char* address, int capacity, int& port) const;
    void Set_Hwnd(quintptr window) { m_window = window; }
    bool IsConnected() const { return m_connected; }
    // Connected, and the last login on this connection succeeded.
    bool IsLoggedIn() const { return m_connected && m_loggedIn; }

    static void client_recvice_msg(int event, char* data, int length, void* user);
    void Recvice_Msg(int event, char* data, int length);
    // `record` is a delivery buffer: kKivMaxRecordLength readable bytes that read
    // as zero past `length`. Inside a read (between EVENT_DATA and
    // EVENT_DATA_END) received messages join the read's group commit;
    // a record handed in on its own is stored and announced at once.
    void Socket_Kernel(const char* record, int length);

signals:
    void LoginResult(int n);
    void AccountLoginResult(int result, int s_er, int pHead, QString pAccount, QString pSign,
                            QString pNickName, QString pAppversion, bool bGUIDnew);
    void AccountFriendList(const tag_friend_result& m_friendResult);
    void AccountVipList(const tag_friend_result& m_friendResult);
    void RegisterResult(int result);
    // Message: the chat text (UTF-8 chat text format); nLen: its length in bytes.
    void SendPerMessage(Uint32 SendUID, const QByteArray& Message, int nLen);
    // The same message with the id of its row in the chat database (0 when it
    // could not be stored), so a reader can tell it from the rows it has seen.
    void ChatMessageStored(Uint32 SendUID, qint64 rowId, const QByteArray& Message);
    void SendReqMedia(const ptl_sys_send_per_media& media);
    void SendCloseMedia(const ptl_sys_send_per_media& media);
    void SendNoreqMedia(const ptl_sys_send_per_media& media);
    void SendYesreqMedia(const ptl_sys_send_per_media& media);
    void LeaveMessageResult(int Serial, Uint32 ServerDBRowID, Uint32 BufLen);
    // account: the account text of the profile found.
    void AccountSearchResult(int uflg, bool bGUIDnew, const QByteArray& account);
    void AddFriendResult(Uint32 suid, Uint32 iReturn);
    void AddFriendConfig(Uint32 uid);
    void DeleteFriendResult(Uint32 suid, Uint32 iReturn);
    void UpdateUserInfoResult(Uint32 uid, Uint32 iReturn, Uint32 iVersion);
    void SendLeaveMessageSignal();
    void SendAddFriendSignal();
    void RequestVersionRet(const KivVersionText& cVersion);
    void MsgRegistRet(int uResult, QString checkNumber, int uid);
    void MsgNewPwd(QString checkNumber, int uid);
    void SetNewPwd(Uint32 uResult);
    void SetMyShowRet(bool result);
    void UpLoadFile(QString text);
    void UploadFileResult(QString text);
    void CloseConnect();
    void FaildConnect();
    // The server proved it read more of the stream (see ConfirmedBytes).
    void Confirmed();
    // The connection stopped before a record was sent: the server could not
    // prove who it is over TLS (serverWantsTls false), or it answered in TLS
    // to a connection without it (true). The reason is also logged.
    void TlsRefused(bool serverWantsTls, QString reason);

private:
    CKivFriendNetModel();
    ~CKivFriendNetModel() override;

    std::shared_ptr<CKivFriendSocketCommon> newSocket();
    std::shared_ptr<CKivFriendSocketCommon> currentSocket() const;
    std::shared_ptr<CKivFriendSocketCommon> currentSocket(std::uint64_t& serial) const;
    // Takes the socket away from the senders, stops it and destroys it once no
    // sender uses it any more.
    void retireSocket();
    void sendConnectCheck();
    void dispatch(const char* record, int length);
    // Ends an offline pull that waits for items the lost connection will not bring.
    void endPull();
    void confirm(std::uint64_t connection, std::uint64_t end);
    void onLoginRefused(std::int32_t result, std::int32_t errorCode);

    void onLogin(const char* record, int length);
    void onList(const char* record, int length, bool vip);
    void onChat(const char* record, int length);
    void onMedia(const char* record, int length);
    void onSearch(const char* record, int length);
    void onLeaveMessage(const char* record, int length);
    // Stores an offline item (kind 1 or 2) in the read's batch.
    std::shared_ptr<bool> storeOfflineItem(const ::LeaveMessageResult& item);
    void onCheckNumber(const char* record, int length);

    static CKivFriendNetModel* s_instance;

    mutable std::mutex m_socketLock;
    mutable std::mutex m_proxyLock;
    CKivSocks5Proxy m_proxy;
    CKivTlsSettings m_tls;          // under m_proxyLock
    CKivDeadLinkLimits m_deadLink;  // under m_proxyLock
    std::shared_ptr<CKivFriendSocketCommon> m_socket;
    std::uint64_t m_socketSerial = 0;  // with m_socket, under m_socketLock
    std::uint64_t m_lastSerial = 0;
    // How far the server proved it read the last few connections.
    mutable std::mutex m_ackLock;
    std::map<std::uint64_t, std::uint64_t> m_confirmed;
    std::atomic<bool> m_stopping{false};
    std::atomic<quintptr> m_window{0};
    QByteArray m_serverAddress;
    int m_serverPort = -1;
    std::atomic<Uint32> m_uid{0xFFFFFFFFu};
    mutable std::mutex m_accountLock;
    QByteArray m_account;
    std::atomic<int> m_type{0};
    std::atomic<bool> m_connected{false};
    // Session records are taken only in the state they answer: the connection
    // check right after connecting, a login result after a login was sent.
    std::atomic<bool> m_checkPending{false};
    std::atomic<bool> m_loginPending{false};
    std::atomic<bool> m_loggedIn{false};
    tag_friend_result m_friendResult{};
    tag_friend_result m_vipResult{};
    mutable std::mutex m_leaveLock;
    std::unique_ptr<CKivFriendGetLeaveMessageModel> m_leaveModel;
    // Receive thread only: the group commit of the records of the current read.
    CKivReceiveBatch m_batch;
    bool m_inRead = false;
};
