#include "KivRecordSink.h"

#include <QTcpSocket>
#include <QtTest>
#include <cstring>

#include "CKivFriendNetModel.h"
#include "KivProtocol.h"

KivRecordSink::KivRecordSink() {
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        m_peer = m_server.nextPendingConnection();
        connect(m_peer, &QTcpSocket::readyRead, this, [this] {
            m_bytes += m_peer->readAll();
            Answer();
        });
    });
}

bool KivRecordSink::LogIn(quint32 uid, const char* account, quint32 vip, float balance) {
    LoginResult answer;
    KivInitRecord(answer, Login);
    answer.uid = uid;
    KivWriteText(answer.account, account);
    answer.vipFlag = vip;
    answer.giftBalance = balance;
    m_loginAnswer = QByteArray(reinterpret_cast<const char*>(&answer), sizeof(answer));
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    net->SetServerIP_And_Port("127.0.0.1", port());
    net->Connect_Svr();
    if (!QTest::qWaitFor([net] { return net->IsConnected(); }, 5000))
        return false;
    // Logged in once the result has been taken in, database and all.
    QObject scope;
    bool answered = false;
    connect(net, &CKivFriendNetModel::AccountLoginResult, &scope, [&] { answered = true; });
    LoginRequest request;
    KivInitRecord(request, Login);
    net->Send_Msg(reinterpret_cast<const char*>(&request), sizeof(request));
    return QTest::qWaitFor([&] { return answered && net->IsLoggedIn(); }, 5000);
}

void KivRecordSink::Answer() {
    while (m_answered + int(sizeof(FrameHeader)) <= m_bytes.size()) {
        FrameHeader head;
        std::memcpy(&head, m_bytes.constData() + m_answered, sizeof(head));
        if (head.length < sizeof(FrameHeader) || m_answered + int(head.length) > m_bytes.size())
            return;
        m_answered += int(head.length);
        if (m_loginAnswer.isEmpty())
            continue;
        if (head.command == Login) {
            m_peer->write(m_loginAnswer);
        } else if (head.command == LeaveMessage) {
            LeaveMessageResult last;
            KivInitRecord(last, LeaveMessage);
            last.endFlag = 1;
            m_peer->write(reinterpret_cast<const char*>(&last), sizeof(last));
        }
    }
}

QList<QByteArray> KivRecordSink::records(quint32 command) const {
    QList<QByteArray> found;
    int at = 0;
    while (at + int(sizeof(FrameHeader)) <= m_bytes.size()) {
        FrameHeader head;
        std::memcpy(&head, m_bytes.constData() + at, sizeof(head));
        if (head.length < sizeof(FrameHeader) || at + int(head.length) > m_bytes.size())
            break;
        if (head.command == command)
            found.append(m_bytes.mid(at, int(head.length)));
        at += int(head.length);
    }
    return found;
}

void KivRecordSink::disconnectPeer() {
    if (m_peer)
        m_peer->abort();
}
