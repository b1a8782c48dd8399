// Breaks of the messaging connection, healed in place: the development server
// is killed and started again on the same database 20 times while 10001 keeps
// sending to 10002 (before the break, during it and after it); the kill comes
// right after the message, unless --grace-ms=N gives the server time to read
// it. Prints the time from the server's return to being logged in again, and
// how many messages reached 10002 not at all or more than once (pulled from
// the server's store).
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <map>

#include "CKivChatOutbox.h"
#include "CKivDevServerProcess.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivRawClient.h"
#include "CKivReconnectModel.h"

namespace {

constexpr int kBreaks = 20;
constexpr quint32 kOwn = 10001;
constexpr quint32 kFriend = 10002;

QByteArray loginRequest() {
    LoginRequest login;
    KivInitRecord(login, Login);
    KivWriteText(login.account, "10001");
    KivWriteText(login.password,
                 QCryptographicHash::hash("123456", QCryptographicHash::Md5).toHex());
    KivWriteText(login.localIp, "127.0.0.1");
    login.param1 = 23;
    login.param3 = 1;
    return QByteArray(reinterpret_cast<const char*>(&login), sizeof(login));
}

// Every chat text waiting for 10002 on the server, in the order it was stored.
QStringList pullAll(quint16 port) {
    QStringList texts;
    CKivRawClient peer;
    if (!peer.connectTo(port) || !peer.login(QString::number(kFriend), "123456")) {
        return {QStringLiteral("(10002 could not log in)")};
    }
    std::uint32_t last = 0;
    for (;;) {
        peer.sendLeaveRequest(last);
        LeaveMessageResult item;
        if (!peer.waitFor(LeaveMessage, item, 5000) || item.endFlag != 0) {
            break;
        }
        last = item.ServerDBRowID;
        if (item.Serial == 1 && item.item.message.uid == kOwn) {
            texts << QString::fromUtf8(KivReadText(item.item.message.text));
        }
    }
    return texts;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int graceMs = 0;
    for (const QString& argument : app.arguments().mid(1)) {
        if (argument.startsWith(QLatin1String("--grace-ms="))) {
            graceMs = argument.section(QLatin1Char('='), 1).toInt();
        }
    }
    CKivDevServerProcess server;
    if (!server.start()) {
        std::printf("reconnect: the development server did not start\n");
        return 1;
    }
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    CKivReconnectModel reconnect(net);
    CKivChatOutbox outbox;
    int check = 0;
    bool loggedIn = false;
    QElapsedTimer sinceReturn;
    std::vector<qint64> backTimes;
    // Wired as the login dialog and the main window wire them.
    QObject::connect(net, &CKivFriendNetModel::LoginResult, &app, [&](int n) { check = n; });
    QObject::connect(net, &CKivFriendNetModel::CloseConnect, &app,
                     [&] { reconnect.ConnectionLost(); });
    QObject::connect(net, &CKivFriendNetModel::FaildConnect, &app,
                     [&] { reconnect.ConnectionLost(); });
    QObject::connect(&reconnect, &CKivReconnectModel::WentOffline, &outbox,
                     &CKivChatOutbox::SetOffline);
    QObject::connect(net, &CKivFriendNetModel::AccountLoginResult, &app, [&](int result) {
        if (reconnect.IsRelogging()) {
            if (result == 0) {
                reconnect.LoginSucceeded();
            } else {
                reconnect.LoginFailed();
            }
            return;
        }
        loggedIn = result == 0;
    });
    QObject::connect(&reconnect, &CKivReconnectModel::CameBack, &app, [&] {
        backTimes.push_back(sinceReturn.elapsed());
        outbox.SetOnline(kOwn);
    });

    net->SetServerIP_And_Port("127.0.0.1", server.tcpPort());
    net->Connect_Svr();
    const QByteArray login = loginRequest();
    if (!QTest::qWaitFor([&] { return check == 3028; }, 5000)) {
        std::printf("reconnect: no connection\n");
        return 1;
    }
    net->Send_Msg(login.constData(), login.size());
    if (!QTest::qWaitFor([&] { return loggedIn; }, 5000)) {
        std::printf("reconnect: login failed\n");
        return 1;
    }
    reconnect.Arm(login);
    outbox.SetOnline(kOwn);

    QStringList sent;
    auto post = [&](const QString& text) {
        sent << text;
        outbox.Post(kOwn, kFriend, text);
    };
    for (int round = 0; round < kBreaks; ++round) {
        post(QStringLiteral("r%1 before").arg(round));
        // Without a grace the server dies while the message is on its way:
        // read by the kernel perhaps, but not by the server.
        if (graceMs > 0) {
            QTest::qWait(graceMs);
        }
        server.kill();
        if (!QTest::qWaitFor(
                [&] { return reconnect.CurrentState() != CKivReconnectModel::State::Online; },
                5000)) {
            std::printf("reconnect: the break was not noticed in round %d\n", round);
            return 1;
        }
        post(QStringLiteral("r%1 during").arg(round));
        // Outages from a fraction of a second to a few seconds.
        QTest::qWait(300 + (round * 733) % 4000);
        if (!server.restart()) {
            std::printf("reconnect: the server did not start again\n");
            return 1;
        }
        sinceReturn.start();
        if (!QTest::qWaitFor([&] { return int(backTimes.size()) == round + 1; }, 40000)) {
            std::printf("reconnect: not back after break %d\n", round);
            return 1;
        }
        post(QStringLiteral("r%1 after").arg(round));
        if (!QTest::qWaitFor([&] { return outbox.InFlight() == 0; }, 5000)) {
            std::printf("reconnect: round %d not acknowledged\n", round);
        }
    }
    if (!QTest::qWaitFor(
            [&] { return CKivFriendDBModel::GetInstance()->GetOutbox(kOwn).isEmpty(); }, 10000)) {
        std::printf("reconnect: messages still wait in the outbox\n");
    }
    const QStringList received = pullAll(server.tcpPort());

    std::map<QString, int> seen;
    for (const QString& text : received) {
        ++seen[text];
    }
    int lost = 0;
    int doubled = 0;
    for (const QString& text : sent) {
        const int times = seen[text];
        if (times == 0) {
            ++lost;
            std::printf("  lost: %s\n", qPrintable(text));
        }
        doubled += times > 1 ? times - 1 : 0;
    }
    QStringList inOrder = received;
    inOrder.removeDuplicates();
    const bool ordered = inOrder == sent;
    std::sort(backTimes.begin(), backTimes.end());
    std::printf("reconnect: %d breaks, %d messages sent, kill %d ms after a message\n", kBreaks,
                int(sent.size()), graceMs);
    std::printf("  server back -> logged in again: median %lld ms, max %lld ms\n",
                static_cast<long long>(backTimes[backTimes.size() / 2]),
                static_cast<long long>(backTimes.back()));
    std::printf("  lost %d, doubled %d, order kept: %s\n", lost, doubled, ordered ? "yes" : "no");
    net->Delete_Socket();
    return 0;
}
