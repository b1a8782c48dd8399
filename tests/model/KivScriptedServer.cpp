#include "KivScriptedServer.h"

#include <QDir>
#include <QPointer>
#include <QtTest>
#include <cstring>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivProtocol.h"

namespace {
constexpr int kWaitMs = 5000;
}

ScriptedServer::ScriptedServer() {
    server.listen(QHostAddress::LocalHost);
    connect(&server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* next = server.nextPendingConnection()) {
            peer = next;
            cutter.clear();
            connect(peer, &QTcpSocket::readyRead, this, [this, next] { read(next); });
        }
    });
}

void ScriptedServer::read(QTcpSocket* from) {
    const QByteArray bytes = from->readAll();
    if (from != peer) {
        return;
    }
    cutter.append(bytes.constData(), bytes.size());
    while (cutter.next() == CKivRecordCutter::Status::Delivered) {
        received.append(QByteArray(cutter.record(), cutter.recordLength()));
    }
}

QList<quint32> ScriptedServer::commands() const {
    QList<quint32> all;
    for (const QByteArray& record : received) {
        FrameHeader head;
        std::memcpy(&head, record.constData(), sizeof(head));
        all.append(head.command);
    }
    return all;
}

void ScriptedServer::send(const QByteArray& bytes) {
    peer->write(bytes);
    peer->flush();
}

bool ScriptedServer::connectClient(CKivFriendNetModel& net) {
    const QPointer<QTcpSocket> oldPeer = peer;
    QObject scope;
    int check = 0;
    QObject::connect(&net, &CKivFriendNetModel::LoginResult, &scope, [&](int n) { check = n; });
    net.Connect_Svr();
    if (!QTest::qWaitFor([&] { return peer != oldPeer && net.IsConnected(); }, kWaitMs)) {
        return false;
    }
    ConnectCheckResult accepted;
    KivInitRecord(accepted, ConnectCheck);
    send(bytesOf(accepted));
    return QTest::qWaitFor([&] { return check == 3028; }, kWaitMs);
}

bool ScriptedServer::logIn(CKivFriendNetModel& net, const QByteArray& loginResult) {
    LoginRequest request;
    KivInitRecord(request, Login);
    if (net.Send_Msg(reinterpret_cast<const char*>(&request), sizeof(request)) <= 0) {
        return false;
    }
    // Logged in once the result has been taken in, database and all.
    QObject scope;
    bool answered = false;
    QObject::connect(&net, &CKivFriendNetModel::AccountLoginResult, &scope,
                     [&] { answered = true; });
    send(loginResult);
    return QTest::qWaitFor([&] { return answered && net.IsLoggedIn(); }, kWaitMs);
}

KivNetModelHome::KivNetModelHome() : m_previousDir(QDir::currentPath()) {
    QDir::setCurrent(m_dir.path());
    m_server = std::make_unique<ScriptedServer>();
    m_net = CKivFriendNetModel::GetInstance();
    m_net->SetServerIP_And_Port("127.0.0.1", m_server->server.serverPort());
}

KivNetModelHome::~KivNetModelHome() {
    CKivFriendNetModel::ReleaseInstance();
    CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    CKivFriendDBModel::ReleaseInstance();
    m_server.reset();
    QDir::setCurrent(m_previousDir);
}
