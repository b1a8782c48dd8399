#include "CKivDevServerProcess.h"

#include <QElapsedTimer>
#include <QRegularExpression>

CKivDevServerProcess::CKivDevServerProcess() = default;

CKivDevServerProcess::~CKivDevServerProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

bool CKivDevServerProcess::start() {
    return launch(0, 0, 0);
}

void CKivDevServerProcess::kill() {
    m_process.kill();
    m_process.waitForFinished(3000);
    m_log.clear();
}

bool CKivDevServerProcess::restart() {
    return launch(m_tcpPort, m_httpPort, m_mediaPort);
}

bool CKivDevServerProcess::launch(quint16 tcpPort, quint16 httpPort, quint16 mediaPort) {
    if (!m_dir.isValid()) {
        return false;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=true"));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments = {QStringLiteral("--port"),       QString::number(tcpPort),
                             QStringLiteral("--http-port"),  QString::number(httpPort),
                             QStringLiteral("--media-port"), QString::number(mediaPort),
                             QStringLiteral("--db"),         databasePath(),
                             QStringLiteral("--seed-demo")};
    if (!m_tlsCertificate.isEmpty()) {
        arguments << QStringLiteral("--tls-cert") << m_tlsCertificate << QStringLiteral("--tls-key")
                  << m_tlsKey;
    }
    arguments << m_extraArguments;
    m_process.start(QStringLiteral(KIV_DEV_SERVER_BINARY), arguments);
    if (!m_process.waitForStarted(5000)) {
        return false;
    }
    const QRegularExpression line(
        QStringLiteral("kivDevServer: tcp 127\\.0\\.0\\.1:(\\d+) http (\\d+) media (\\d+)"));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000 && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(200);
        m_log += QString::fromUtf8(m_process.readAll());
        const QRegularExpressionMatch match = line.match(m_log);
        if (match.hasMatch()) {
            m_tcpPort = static_cast<quint16>(match.captured(1).toUInt());
            m_httpPort = static_cast<quint16>(match.captured(2).toUInt());
            m_mediaPort = static_cast<quint16>(match.captured(3).toUInt());
            return true;
        }
    }
    return false;
}

bool CKivDevServerProcess::waitForLog(const QString& text, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        m_log += QString::fromUtf8(m_process.readAll());
        if (m_log.contains(text)) {
            return true;
        }
        if (timer.elapsed() >= timeoutMs || m_process.state() != QProcess::Running) {
            return false;
        }
        m_process.waitForReadyRead(50);
    }
}
