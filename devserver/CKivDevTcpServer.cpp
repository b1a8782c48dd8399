#include "CKivDevTcpServer.h"

#include <QTcpSocket>
#include <QtDebug>

#include "CKivDevConnection.h"
#include "CKivDevDatabase.h"
#include "CKivDevDemoSeed.h"
#include "CKivDevDispatcher.h"
#include "CKivDevFileStore.h"
#include "CKivDevHeadStore.h"
#include "CKivDevOfflineStore.h"
#include "CKivDevUserStore.h"

CKivDevTcpServer::CKivDevTcpServer(QObject* parent) : QObject(parent), m_server(this) {
    connect(&m_server, &QTcpServer::newConnection, this, &CKivDevTcpServer::acceptConnections);
}

CKivDevTcpServer::~CKivDevTcpServer() {
    // Connections go before the stores and the dispatcher they use.
    const auto connections =
        findChildren<CKivDevConnection*>(QString(), Qt::FindDirectChildrenOnly);
    for (CKivDevConnection* connection : connections) {
        disconnect(connection, nullptr, this, nullptr);
        delete connection;
    }
}

bool CKivDevTcpServer::open(const QString& databasePath, bool seedDemo,
                            const KivDevFileLimits& fileLimits, QString& error) {
    m_database = std::make_unique<CKivDevDatabase>(databasePath, QStringLiteral("kivDevTcp"));
    if (!m_database->open()) {
        error = m_database->errorText();
        return false;
    }
    m_users = std::make_unique<CKivDevUserStore>(m_database->db());
    m_offline = std::make_unique<CKivDevOfflineStore>(m_database->db());
    m_heads = std::make_unique<CKivDevHeadStore>(m_database->db());
    m_files = std::make_unique<CKivDevFileStore>(m_database->db(), fileLimits);
    if (seedDemo && !CKivDevDemoSeed(*m_users, *m_offline).run()) {
        error = QStringLiteral("could not add the demo data");
        return false;
    }
    m_dispatcher = std::make_unique<CKivDevDispatcher>(
        KivDevServices{*m_users, *m_offline, *m_heads, *m_files, m_checkNumbers, m_online});
    return true;
}

bool CKivDevTcpServer::listen(const QHostAddress& address, quint16 port, QString& error) {
    if (!m_server.listen(address, port)) {
        error = m_server.errorString();
        return false;
    }
    return true;
}

void CKivDevTcpServer::acceptConnections() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (m_connections >= kMaxConnections || !m_dispatcher) {
            qWarning() << "kivDevServer: too many connections, refusing one";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_connections;
        auto* connection = new CKivDevConnection(
            socket,
            [this](CKivDevConnection& from, const char* data, int length) {
                m_dispatcher->dispatch(from, data, length);
            },
            this);
        connect(connection, &CKivDevConnection::closed, this, &CKivDevTcpServer::forget);
        qInfo().noquote() << "kivDevServer: connection from" << connection->peer();
    }
}

void CKivDevTcpServer::forget(CKivDevConnection* connection) {
    --m_connections;
    if (connection->loggedIn()) {
        m_online.remove(connection->uid(), connection);
    }
    qInfo().noquote() << "kivDevServer: connection closed" << connection->peer() << "uid"
                      << connection->uid();
    connection->deleteLater();
}
