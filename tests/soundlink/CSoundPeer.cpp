#include "CSoundPeer.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QUdpSocket>

CSoundPeer::~CSoundPeer() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

bool CSoundPeer::Start(const QString& workDir, int localPort, int remotePort,
                       const QString& microphone, const QString& speaker,
                       const QStringList& options) {
    Launch(workDir, localPort, remotePort, microphone, speaker, options);
    return WaitForCall();
}

void CSoundPeer::Launch(const QString& workDir, int localPort, int remotePort,
                        const QString& microphone, const QString& speaker,
                        const QStringList& options) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SOURCE"), microphone);
    environment.insert(QStringLiteral("PULSE_SINK"), speaker);
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(workDir);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral(KIV_SOUND_PEER_BINARY),
                    QStringList{QStringLiteral("--local"), QString::number(localPort),
                                QStringLiteral("--remote-port"), QString::number(remotePort)}
                        << options);
}

bool CSoundPeer::WaitForCall() {
    return m_process.waitForStarted(10000) && WaitFor(QStringLiteral("call "), 30000);
}

bool CSoundPeer::Command(const QString& command, const QString& reply, int timeoutMs) {
    m_process.write((command + QLatin1Char('\n')).toLatin1());
    return WaitFor(reply, timeoutMs);
}

bool CSoundPeer::WaitFor(const QString& text, int timeoutMs) {
    const int from = m_output.size();
    QDeadlineTimer deadline(timeoutMs);
    while (m_output.indexOf(text, from) < 0) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) {
            return false;
        }
        m_process.waitForReadyRead(100);
        m_output += QString::fromLocal8Bit(m_process.readAll());
    }
    return true;
}

int KivFreeUdpPort() {
    QUdpSocket probe;
    if (!probe.bind(QHostAddress(QHostAddress::Any), 0)) {
        return 0;
    }
    return probe.localPort();
}

std::pair<int, int> KivFreeUdpPorts() {
    const int first = KivFreeUdpPort();
    int second = KivFreeUdpPort();
    while (second == first) {
        second = KivFreeUdpPort();
    }
    return {first, second};
}

bool KivStartCallPair(CSoundPeer& a, CSoundPeer& b, const CCallSinks& sinks, const QString& dirA,
                      const QString& dirB, bool echoCancel, QString* failure) {
    const auto [portA, portB] = KivFreeUdpPorts();
    const QStringList options{QStringLiteral("--echo-cancel"),
                              echoCancel ? QStringLiteral("1") : QStringLiteral("0")};
    a.Launch(dirA, portA, portB, sinks.micA + QStringLiteral(".monitor"), sinks.spkA, options);
    b.Launch(dirB, portB, portA, sinks.micB + QStringLiteral(".monitor"), sinks.spkB, options);
    if (a.WaitForCall() && b.WaitForCall()) {
        return true;
    }
    if (failure != nullptr) {
        *failure = a.Output() + b.Output();
    }
    return false;
}
