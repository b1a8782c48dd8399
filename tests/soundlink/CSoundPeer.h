#pragma once

#include <utility>

#include <QProcess>
#include <QString>
#include <QStringList>

#include "CPulseDevices.h"

// kivSoundPeer in its own process, with its own microphone and speaker.
class CSoundPeer {
public:
    CSoundPeer() = default;
    ~CSoundPeer();
    CSoundPeer(const CSoundPeer&) = delete;
    CSoundPeer& operator=(const CSoundPeer&) = delete;

    // Starts it in workDir with PULSE_SOURCE = microphone and PULSE_SINK =
    // speaker and kivSoundPeer's further options; true once it reported its call.
    bool Start(const QString& workDir, int localPort, int remotePort, const QString& microphone,
               const QString& speaker, const QStringList& options = {});
    // Start in two steps, so that two peers come up side by side: Launch
    // runs the program, WaitForCall waits until it reported its call.
    void Launch(const QString& workDir, int localPort, int remotePort, const QString& microphone,
                const QString& speaker, const QStringList& options = {});
    bool WaitForCall();
    // Sends a command line and waits until the output holds reply.
    bool Command(const QString& command, const QString& reply, int timeoutMs = 20000);
    QString Output() const { return m_output; }
    qint64 ProcessId() const { return m_process.processId(); }

private:
    bool WaitFor(const QString& text, int timeoutMs);

    QProcess m_process;
    QString m_output;
};

// A UDP port no socket is bound to at the moment of asking.
int KivFreeUdpPort();
// Two free UDP ports that differ, for the two ends of a call.
std::pair<int, int> KivFreeUdpPorts();

// Starts the two sides of a call on the sinks, each in its own folder, with
// echo cancellation on or off; false otherwise, with their output in failure.
bool KivStartCallPair(CSoundPeer& a, CSoundPeer& b, const CCallSinks& sinks, const QString& dirA,
                      const QString& dirB, bool echoCancel, QString* failure = nullptr);
