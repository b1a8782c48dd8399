#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The real server program on free loopback ports with a fresh demo database.
class CKivDevServerProcess {
public:
    CKivDevServerProcess();
    ~CKivDevServerProcess();
    CKivDevServerProcess(const CKivDevServerProcess&) = delete;
    CKivDevServerProcess& operator=(const CKivDevServerProcess&) = delete;

    // The next start speaks TLS and HTTPS with this certificate and key (PEM).
    void setTls(const QString& certificate, const QString& key) {
        m_tlsCertificate = certificate;
        m_tlsKey = key;
    }
    // More options for the next start, such as file limits.
    void setExtraArguments(const QStringList& arguments) { m_extraArguments = arguments; }
    // Starts it and reads the chosen ports from its start-up line.
    bool start();
    // Ends it at once, as a crash would (SIGKILL): its connections just drop.
    void kill();
    // Starts it again on the same ports and database after kill().
    bool restart();
    bool running() const { return m_process.state() == QProcess::Running; }
    // Waits until the server's output holds `text`.
    bool waitForLog(const QString& text, int timeoutMs = 3000);

    quint16 tcpPort() const { return m_tcpPort; }
    quint16 httpPort() const { return m_httpPort; }
    quint16 mediaPort() const { return m_mediaPort; }
    QString databasePath() const { return m_dir.filePath(QStringLiteral("dev.db")); }

private:
    bool launch(quint16 tcpPort, quint16 httpPort, quint16 mediaPort);

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_log;
    QString m_tlsCertificate;
    QString m_tlsKey;
    QStringList m_extraArguments;
    quint16 m_tcpPort = 0;
    quint16 m_httpPort = 0;
    quint16 m_mediaPort = 0;
};
