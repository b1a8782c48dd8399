#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "CFriendInfoWnd.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendSysSettingDlg.h"
#include "CKivIMaddfriendDlg.h"
#include "CKivIMaddfriendTipDlg.h"
#include "CKivRawClient.h"
#include "KivAddCheckFriendDlg.h"
#include "KivAddFriendItem.h"
#include "KivLoggedInSession.h"
#include "KivModalCloser.h"
#include "KivTestRegistry.h"

// Search, request, accept and refuse between two accounts on the development server.
class tst_KivAddFriendFlow : public QObject {
    Q_OBJECT
    std::unique_ptr<KivLoggedInSession> m_session;
    std::unique_ptr<KivModalCloser> m_closer;
    std::unique_ptr<KivAddCheckFriendDlg> m_search;

    KivAddFriendItem* searchFor(const QString& text) {
        m_search->findChild<QLineEdit*>(QStringLiteral("lineEditCheck"))->setText(text);
        m_search->findChild<QPushButton*>(QStringLiteral("bCheckBtn"))->click();
        if (!QTest::qWaitFor([this] { return m_search->ResultCount() == 1; }, 10000))
            return nullptr;
        return m_search->ResultItem();
    }

private slots:
    void init() {
        m_session = std::make_unique<KivLoggedInSession>();
        QVERIFY(m_session->start());
        m_closer = std::make_unique<KivModalCloser>();
        m_search = std::make_unique<KivAddCheckFriendDlg>();
        m_search->show();
    }
    void cleanup() {
        m_search.reset();
        m_closer.reset();
        m_session.reset();
    }

    void searchFindsByAccountWithSimplifiedText() {
        KivAddFriendItem* row = searchFor(QStringLiteral("  10005 "));
        QVERIFY(row);
        QCOMPARE(row->Info().account, QStringLiteral("10005"));
        QCOMPARE(row->Info().nickName, QStringLiteral("小明"));
        QCOMPARE(row->FriendId(), Uint32(10005));
        QCOMPARE(m_search->findChild<QLabel*>(QStringLiteral("labelCaption"))->text(),
                 QStringLiteral("找到1联系人个人"));
        QVERIFY(!row->Info().head.isNull());
    }

    void unknownUserIsSaidSo() {
        m_search->findChild<QLineEdit*>(QStringLiteral("lineEditCheck"))
            ->setText(QStringLiteral("no  such"));
        m_search->findChild<QPushButton*>(QStringLiteral("bCheckBtn"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_closer->texts().contains(QStringLiteral("没有该用户")), 10000);
        QVERIFY(!m_search->ResultItem());
    }

    void addingOneselfIsRefused() {
        KivAddFriendItem* row = searchFor(QStringLiteral("10001"));
        QVERIFY(row);
        row->AddBtnClicked();
        QTRY_VERIFY(m_closer->texts().contains(QStringLiteral("不能添加自己为好友")));
        QVERIFY(!row->RequestDialog());
    }

    void requestTextLimit_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("sent");
        QTest::newRow("51 bytes") << QByteArray(51, 'a') << true;
        QTest::newRow("52 bytes") << QByteArray(52, 'a') << false;
        // 17 characters of 3 bytes: 51 bytes go, one more character does not.
        QTest::newRow("51 bytes of Chinese") << QString(17, QChar(0x4F60)).toUtf8() << true;
        QTest::newRow("54 bytes of Chinese") << QString(18, QChar(0x4F60)).toUtf8() << false;
    }
    void requestTextLimit() {
        QFETCH(QByteArray, text);
        QFETCH(bool, sent);
        CKivRawClient peer;
        QVERIFY(peer.connectTo(m_session->server().tcpPort()));
        QVERIFY(peer.login(QStringLiteral("10005"), QStringLiteral("123456")));
        KivAddFriendItem* row = searchFor(QStringLiteral("10005"));
        QVERIFY(row);
        row->AddBtnClicked();
        CKivIMaddfriendDlg* request = row->RequestDialog();
        QVERIFY(request && request->isVisible());
        request->findChild<QLineEdit*>(QStringLiteral("lineEditVerify"))
            ->setText(QString::fromUtf8(text));
        request->SendAddFriend();
        if (sent) {
            AddFriendPushRecord push;
            QVERIFY(peer.waitFor(AddFriendPush, push, 10000));
            QCOMPARE(push.fromUid, Uint32(10001));
            QCOMPARE(KivReadText(push.requestText), text);
            QTRY_VERIFY(!row->RequestDialog());
        } else {
            QVERIFY(m_closer->texts().contains(QStringLiteral("验证消息过长")));
            QVERIFY(request->isVisible());
            QVERIFY(peer.silentFor(AddFriendPush, 500));
        }
    }

    void acceptedRequestMakesFriends() {
        CKivRawClient peer;
        QVERIFY(peer.connectTo(m_session->server().tcpPort()));
        QVERIFY(peer.login(QStringLiteral("10005"), QStringLiteral("123456")));
        AddFriendRequestRecord ask;
        KivInitRecord(ask, AddFriendRequest);
        ask.fromUid = 10005;
        ask.toUid = 10001;
        KivWriteText(ask.verifyText, QByteArray("我是小明"));
        peer.send(ask);

        KivIMMainDlg* main = m_session->mainWindow();
        QTRY_VERIFY_WITH_TIMEOUT(main->AddFriendTip() && main->AddFriendTip()->isVisible(), 10000);
        CKivIMaddfriendTipDlg* tip = main->AddFriendTip();
        QCOMPARE(int(tip->Cards().size()), 1);
        CFriendInfoWnd* card = tip->Cards().front();
        QCOMPARE(card->Requester(), qint64(10005));
        card->AcceptButton()->click();
        QVERIFY(tip->Cards().empty());

        AddFriendAnswerResult answer;
        QVERIFY(peer.waitFor(AddFriendAnswer, answer, 10000));
        QCOMPARE(answer.iReturn, Uint32(1));
        QTRY_VERIFY(main->IsFriendUid(10005));
        // Answered: the next show lists nothing, even after the friendship notice.
        tip->hide();
        QTest::qWait(200);
        tip->show();
        QVERIFY(tip->Cards().empty());
    }

    void ownRequestAcceptedByTheOtherSide() {
        // 10002 has no waiting requests of its own, so any card would be wrong.
        m_search.reset();
        // The old session gives its working directory back first; made the other
        // way round, the new session would run in the folder the test started in.
        m_session.reset();
        m_session = std::make_unique<KivLoggedInSession>();
        QVERIFY(m_session->start(QStringLiteral("10002")));
        m_search = std::make_unique<KivAddCheckFriendDlg>();
        m_search->show();
        CKivRawClient peer;
        QVERIFY(peer.connectTo(m_session->server().tcpPort()));
        QVERIFY(peer.login(QStringLiteral("10005"), QStringLiteral("123456")));
        KivAddFriendItem* row = searchFor(QStringLiteral("10005"));
        QVERIFY(row);
        row->AddBtnClicked();
        row->RequestDialog()->SendAddFriend();
        AddFriendPushRecord push;
        QVERIFY(peer.waitFor(AddFriendPush, push, 10000));
        AddFriendAnswerRequest answer;
        KivInitRecord(answer, AddFriendAnswer);
        answer.askerUid = 10002;
        answer.ownUid = 10005;
        answer.answer = 1;
        peer.send(answer);

        KivIMMainDlg* main = m_session->mainWindow();
        QTRY_VERIFY_WITH_TIMEOUT(main->IsFriendUid(10005), 10000);
        // The notice that the friendship stands is no request to answer.
        QTest::qWait(300);
        QVERIFY(!main->AddFriendTip() || main->AddFriendTip()->Cards().empty());
    }

    void refusedRequestSendsNothingAndStaysAnswered() {
        QVERIFY(m_session->storeFriendRequest(20001, "路人", "加个好友"));
        KivIMMainDlg* main = m_session->mainWindow();
        main->getAddFriend();
        CKivIMaddfriendTipDlg* tip = main->AddFriendTip();
        QVERIFY(tip && tip->isVisible());
        CFriendInfoWnd* card = nullptr;
        for (CFriendInfoWnd* one : tip->Cards())
            card = one->Requester() == 20001 ? one : card;
        QVERIFY(card);
        const size_t before = tip->Cards().size();
        card->RefuseButton()->click();
        QCOMPARE(tip->Cards().size(), before - 1);
        tip->hide();
        tip->show();
        for (CFriendInfoWnd* one : tip->Cards())
            QVERIFY(one->Requester() != 20001);
        QVERIFY(!main->IsFriendUid(20001));
    }

    void mainWindowButtonsOpenTheDialogs() {
        KivIMMainDlg* main = m_session->mainWindow();
        main->findChild<QPushButton*>(QStringLiteral("b_Request"))->click();
        QVERIFY(main->AddFriendTip() && main->AddFriendTip()->isVisible());
        main->findChild<QPushButton*>(QStringLiteral("b_Check"))->click();
        QVERIFY(main->CheckFriendDialog() && main->CheckFriendDialog()->isVisible());
        // Closing the search dialog lets it go.
        main->CheckFriendDialog()->close();
        QVERIFY(!main->CheckFriendDialog());
        main->findChild<QPushButton*>(QStringLiteral("b_Set"))->click();
        QVERIFY(main->SettingsDialog() && main->SettingsDialog()->isVisible());
        main->SettingsDialog()->close();
    }

    void fiveRequestsMakeTwoRowsOfCards() {
        for (Uint32 uid = 30001; uid <= 30005; ++uid)
            QVERIFY(m_session->storeFriendRequest(
                uid, QByteArray("请求者") + QByteArray::number(uid), "你好"));
        CKivIMaddfriendTipDlg tip;
        tip.show();
        std::vector<CFriendInfoWnd*> ours;
        for (CFriendInfoWnd* card : tip.Cards()) {
            if (card->Requester() >= 30001 && card->Requester() <= 30005)
                ours.push_back(card);
        }
        QCOMPARE(int(ours.size()), 5);
        // The demo account may have its own waiting request first; count from the top.
        QCOMPARE(int(tip.Cards().size()), 5 + int(tip.Cards().size() - ours.size()));
        int rows = 0;
        int maxColumn = 0;
        for (CFriendInfoWnd* card : tip.Cards()) {
            rows = qMax(rows, tip.CellOf(card).first + 1);
            maxColumn = qMax(maxColumn, tip.CellOf(card).second);
        }
        QCOMPARE(maxColumn, 2);
        QCOMPARE(rows, (int(tip.Cards().size()) + 2) / 3);
        if (tip.Cards().size() == 5) {
            QCOMPARE(tip.CellOf(tip.Cards()[3]), qMakePair(1, 0));
            QCOMPARE(rows, 2);
        }
        // Taking one card out closes the gap.
        tip.Cards().front()->RefuseButton()->click();
        QCOMPARE(tip.CellOf(tip.Cards()[2]), qMakePair(0, 2));
    }
};

KIV_TEST_CLASS(tst_KivAddFriendFlow)
#include "tst_KivAddFriendFlow.moc"
