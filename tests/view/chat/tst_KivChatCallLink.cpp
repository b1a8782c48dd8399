#include <QCoreApplication>
#include <QWidget>
#include <QtTest>

#include "KivMediaRecord.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivWindowMessage.h"
#include "chat/KivChatCallLink.h"

// The calling side hands the server's answer to its call window once: a
// second "accepted" record (forged by the server or someone on a plain
// connection) would move the running call's media elsewhere.
class tst_KivChatCallLink : public QObject {
    Q_OBJECT
private slots:
    void onlyTheFirstAnswerReachesTheCallWindow() {
        const std::unique_ptr<CKivSession> session = KivNewTestSession();
        QWidget dialog;
        auto* link = new KivChatCallLink(&dialog, *session);
        link->SetUsers(10001, 10002);
        QList<ptl_sys_send_per_media> relayed;
        // This test plays the call window program.
        KivMessageWindow callWindow(KivWindowIdFor(0), [&](const KivWindowMessage& message) {
            ptl_sys_send_per_media record;
            if (message.kind == 1 && KivMediaFromMessage(message.data, &record)) {
                relayed.append(record);
            }
        });
        QVERIFY(callWindow.isListening());
        link->ExpectCallWindowFrom(QCoreApplication::applicationPid());
        QVERIFY(KivSendMessage(link->MessageWindowId(), 1, callWindow.id(), QByteArray(1, '\0')));
        QTRY_COMPARE(link->CallWindow(), callWindow.id());

        ptl_sys_send_per_media answer;
        KivInitRecord(answer, Media);
        answer.callerUid = 10001;
        answer.calleeUid = 10002;
        answer.state = 2;
        std::strcpy(answer.addressB, "127.0.0.2");
        answer.videoPortB = 5000;
        link->Accepted(answer);
        QTRY_COMPARE(relayed.size(), 1);
        QCOMPARE(relayed[0].state, 11u);

        std::strcpy(answer.addressB, "192.0.2.66");
        link->Accepted(answer);
        QTest::qWait(100);
        QCOMPARE(relayed.size(), 1);
        QCOMPARE(QByteArray(relayed[0].addressB), QByteArray("127.0.0.2"));
    }
};

KIV_TEST_CLASS(tst_KivChatCallLink)
#include "tst_KivChatCallLink.moc"
