#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <memory>

#include "CKivDevCheckNumbers.h"
#include "CKivDevListener.h"
#include "CKivDevOnlineUsers.h"
#include "KivDevFileLimits.h"

class CKivDevConnection;
class CKivDevDatabase;
class CKivDevDispatcher;
class CKivDevFileStore;
class CKivDevHeadStore;
class CKivDevOfflineStore;
class CKivDevUserStore;

// The messaging server: accepts client connections on the event loop's
// thread and runs every record against the database through its own
// connection.
class CKivDevTcpServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 512;

    explicit CKivDevTcpServer(QObject* parent = nullptr);
    ~CKivDevTcpServer() override;

    // Opens the database (creating its tables), optionally adds the demo data.
    bool open(const QString& databasePath, bool seedDemo, const KivDevFileLimits& fileLimits,
              QString& error);
    // Later connections run inside TLS with this certificate and key (PEM).
    bool useTls(const QString& certificateFile, const QString& keyFile, QString& error) {
        return m_server.useTls(certificateFile, keyFile, error);
    }
    bool listen(const QHostAddress& address, quint16 port, QString& error);
    quint16 port() const { return m_server.serverPort(); }

private:
    void acceptConnections();
    void forget(CKivDevConnection* connection);

    CKivDevListener m_server;
    std::unique_ptr<CKivDevDatabase> m_database;
    std::unique_ptr<CKivDevUserStore> m_users;
    std::unique_ptr<CKivDevOfflineStore> m_offline;
    std::unique_ptr<CKivDevHeadStore> m_heads;
    std::unique_ptr<CKivDevFileStore> m_files;
    CKivDevCheckNumbers m_checkNumbers;
    CKivDevOnlineUsers m_online;
    std::unique_ptr<CKivDevDispatcher> m_dispatcher;
    int m_connections = 0;
};
