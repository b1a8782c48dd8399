#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

#include "CallViewCommandLine.h"
#include "KivProtocol.h"

class CMediaCallKeys;
class CallViewFreePort;
class IPictureLink;
class ISoundLink;
struct KivWindowMessage;

// What the call window does with its sessions and its starter: announces
// itself (kind 1), starts or redirects the video and audio calls from the
// media records it is given, reports the bound ports to the starter
// (kinds 10 and 11, so the request and the answer reach the server), and
// hangs up (kind 2). It ends when the starter's window goes away.
//
// Each call agrees its own keys with the peer's call window through the key
// tails of the request and the answer (see CMediaCallKeys); the sessions get
// them before their calls start. Only the starting process is listened to,
// and only one answer per call moves the media: a later record that would
// redirect it (a forged second answer) is ignored.
class CallViewController : public QObject {
    Q_OBJECT
public:
    struct Sessions {
        IPictureLink* video = nullptr;
        ISoundLink* audio = nullptr;
        // Hands a call's keys to both sessions, before their StartCall.
        std::function<void(std::shared_ptr<CMediaCallKeys>)> useKeys;
    };
    enum class Security { Agreeing, Encrypted, Plain, Failed };
    struct Messenger {
        // Window message to a window; true once it was handled there.
        std::function<bool(quint64 to, quint32 kind, const QByteArray& data)> send;
        // Whether a window still takes messages.
        std::function<bool(quint64 window)> exists;
    };

    CallViewController(const CallViewCommandLine& commandLine, Sessions sessions,
                       Messenger messenger, CallViewFreePort& ports, QByteArray ownAddress,
                       QObject* parent = nullptr);
    ~CallViewController() override;

    // Calls that cannot be encrypted are refused (the user's choice).
    void SetEncryptedOnly(bool on) { m_encryptedOnly = on; }

    // The window exists: kind 1 to the starter, the calling side's sessions.
    void Start(std::uintptr_t localWindow, std::uintptr_t remoteWindow);
    void OnWindowMessage(const KivWindowMessage& message);
    // The close button: the calls stop, the starter hears kind 2, the program ends.
    void HangUp();

    const ptl_sys_send_per_media& LastRecord() const { return m_record; }
    Security CallSecurity() const;
    // The six digits both people compare while encrypted, else empty.
    QString ShortCode() const;
    // What the window shows about it: the short code, or a plain marker.
    QString SecurityText() const;
    // The keys of the running call, or null.
    const std::shared_ptr<CMediaCallKeys>& Keys() const { return m_keys; }

signals:
    void Finished(int exitCode);
    // The call was refused or cannot be encrypted: `message` says why. The
    // starter has heard kind 2; the program ends once the user has read it.
    void Refused(const QString& message);
    void SecurityChanged();

private:
    void ApplyRecord();
    void Answered(const ptl_sys_send_per_media& record);
    void Called(const ptl_sys_send_per_media& record);
    void UseKeys(std::shared_ptr<CMediaCallKeys> keys);
    // A plain or failed call the user does not want: true when refused.
    bool RefuseInsecure();
    void Refuse(const QString& message);
    void WatchSecurity();
    void StartCalling();
    void StopCalls();
    void Report(const ptl_sys_send_per_media& request, const ptl_sys_send_per_media& ports);
    void WatchStarter();
    void ReleaseLoopback();

    CallViewCommandLine m_commandLine;
    Sessions m_sessions;
    Messenger m_messenger;
    CallViewFreePort& m_ports;
    QByteArray m_ownAddress;
    std::uintptr_t m_localWindow = 0;
    std::uintptr_t m_remoteWindow = 0;
    ptl_sys_send_per_media m_record{};
    int m_videoCallId = -1;
    int m_audioCallId = -1;
    // The loopback ports the calling side streams to until the answer comes,
    // held here so that no other program can listen on them.
    int m_loopbackVideoPort = 0;
    int m_loopbackAudioPort = 0;
    bool m_finished = false;
    bool m_encryptedOnly = false;
    // The one record that set the call's destination has been applied.
    bool m_answered = false;
    bool m_foreignSenderLogged = false;
    std::shared_ptr<CMediaCallKeys> m_keys;
    Security m_shownSecurity = Security::Agreeing;
    QTimer m_starterWatch;
    // The callee's keys arrive with the caller's first datagram, on a
    // transport's thread; the window follows them from here.
    QTimer m_securityWatch;
};
