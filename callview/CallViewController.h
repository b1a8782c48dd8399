#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

#include "CallViewCommandLine.h"
#include "KivProtocol.h"

class CallViewFreePort;
class IPictureLink;
class ISoundLink;
struct KivWindowMessage;

// What the call window does with its sessions and its starter: announces
// itself (kind 1), starts or redirects the video and audio calls from the
// media records it is given, reports the bound ports to the starter
// (kinds 10 and 11, so the request and the answer reach the server), and
// hangs up (kind 2). It ends when the starter's window goes away.
class CallViewController : public QObject {
    Q_OBJECT
public:
    struct Sessions {
        IPictureLink* video = nullptr;
        ISoundLink* audio = nullptr;
    };
    struct Messenger {
        // Window message to a window; true once it was handled there.
        std::function<bool(quint64 to, quint32 kind, const QByteArray& data)> send;
        // Whether a window still takes messages.
        std::function<bool(quint64 window)> exists;
    };

    CallViewController(const CallViewCommandLine& commandLine, Sessions sessions,
                       Messenger messenger, CallViewFreePort& ports, QByteArray ownAddress,
                       QObject* parent = nullptr);

    // The window exists: kind 1 to the starter, the calling side's sessions.
    void Start(std::uintptr_t localWindow, std::uintptr_t remoteWindow);
    void OnWindowMessage(const KivWindowMessage& message);
    // The close button: the calls stop, the starter hears kind 2, the program ends.
    void HangUp();

    const ptl_sys_send_per_media& LastRecord() const { return m_record; }

signals:
    void Finished(int exitCode);

private:
    void ApplyRecord();
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
    QTimer m_starterWatch;
};
