// Time for the client's net model to pull 1 000 offline chat messages from
// the development server over loopback (one request per item, each item
// committed before the next request confirms it), against its floor: one
// round trip plus one item stored alone, per item.
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "CKivDevServerProcess.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendGetLeaveMessageModel.h"
#include "CKivFriendNetModel.h"
#include "CKivRawClient.h"

namespace {
constexpr int kMessages = 1000;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    CKivDevServerProcess server;
    if (!server.start()) {
        std::printf("offline pull: the development server did not start\n");
        return 1;
    }

    // 10002 writes to 10001, who is offline: everything waits on the server.
    {
        CKivRawClient sender;
        if (!sender.connectTo(server.tcpPort()) || !sender.login("10002", "123456")) {
            std::printf("offline pull: sender could not log in\n");
            return 1;
        }
        for (int i = 0; i < kMessages; ++i) {
            sender.sendChat(10001, "offline " + QByteArray::number(i));
        }
        // A round trip behind the messages: the server has stored them all.
        sender.sendVipList();
        sender.waitFor(VipList, 30000);
    }

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CKivFriendNetModel* model = CKivFriendNetModel::GetInstance();
    int check = 0;
    bool loggedIn = false;
    int items = 0;
    QObject::connect(model, &CKivFriendNetModel::LoginResult, &app, [&](int n) { check = n; });
    QObject::connect(model, &CKivFriendNetModel::AccountLoginResult, &app,
                     [&](int result) { loggedIn = result == 0; });
    QObject::connect(model, &CKivFriendNetModel::SendLeaveMessageSignal, &app, [&] { ++items; });
    model->SetServerIP_And_Port("127.0.0.1", server.tcpPort());
    model->Connect_Svr();
    if (!QTest::qWaitFor([&] { return check == 3028; }, 5000)) {
        std::printf("offline pull: no connection\n");
        return 1;
    }
    LoginRequest login;
    KivInitRecord(login, Login);
    KivWriteText(login.account, "10001");
    KivWriteText(login.password,
                 QCryptographicHash::hash("123456", QCryptographicHash::Md5).toHex());
    login.param1 = 23;
    login.param3 = 1;
    model->Send_Msg(reinterpret_cast<const char*>(&login), sizeof(login));
    if (!QTest::qWaitFor([&] { return loggedIn; }, 5000)) {
        std::printf("offline pull: login failed\n");
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    model->GetLeaveWord()->Thread_Start();
    const bool done = QTest::qWaitFor([&] { return model->GetLeaveWord()->IsStopped(); }, 60000);
    // Every item announced is committed; the demo data adds its own waiting
    // messages to ours.
    const bool allStored = QTest::qWaitFor([&] { return items >= kMessages; }, 5000);
    const qint64 took = timer.elapsed();
    std::printf("offline pull: %d chat messages pulled and stored in %lld ms (%.0f items/s)%s\n",
                items, static_cast<long long>(took), took > 0 ? items * 1000.0 / took : 0.0,
                done && allStored ? "" : " (did not finish)");

    // Where an item's time goes, measured right after: one request and answer
    // over loopback with a query on the server, and one item stored alone.
    double roundTripMs = 0;
    {
        CKivRawClient asker;
        if (asker.connectTo(server.tcpPort()) && asker.login("10003", "123456")) {
            timer.restart();
            for (int i = 0; i < kMessages; ++i) {
                asker.sendVipList();
                asker.waitFor(VipList, 30000);
            }
            roundTripMs = timer.nsecsElapsed() / 1e6 / kMessages;
            std::printf("  round trip with a server query (VIP list): %.3f ms each\n", roundTripMs);
        }
    }
    tag_leave_message message{};
    message.uid = 10002;
    KivWriteText(message.time, "2026-12-01 08:00:00");
    KivWriteText(message.text, "stored alone");
    timer.restart();
    for (int i = 0; i < kMessages; ++i) {
        CKivFriendDBModel::GetInstance()->SaveLeaveMessage(message);
    }
    const double storeMs = timer.nsecsElapsed() / 1e6 / kMessages;
    std::printf("  one item stored alone (its own commit): %.3f ms each\n", storeMs);
    const double perItemMs = items > 0 ? double(took) / items : 0.0;
    std::printf("  per item %.3f ms, floor %.3f ms: %.2fx the floor (goal <= 1.5x)\n", perItemMs,
                roundTripMs + storeMs,
                roundTripMs + storeMs > 0 ? perItemMs / (roundTripMs + storeMs) : 0.0);
    CKivFriendNetModel::ReleaseInstance();
    CKivFriendDBModel::ReleaseInstance();
    return done ? 0 : 1;
}
