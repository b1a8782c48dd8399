#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivRawClient.h"
#include "KivAccessibleAudit.h"
#include "KivLoggedInSession.h"
#include "KivModalCloser.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivThreadSpy.h"
#include "contacts/CFriendInfoWnd.h"
#include "contacts/CKivFriendSysSettingDlg.h"
#include "contacts/CKivIMaddfriendDlg.h"
#include "contacts/CKivIMaddfriendTipDlg.h"
#include "contacts/KivAddCheckFriendDlg.h"
#include "contacts/KivAddFriendItem.h"
#include "shell/KivFriendMyMessageBoxView.h"

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
        m_search = std::make_unique<KivAddCheckFriendDlg>(nullptr, m_session->session());
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
        // The row's add button is met by Tab right after the search button.
        m_search->activateWindow();
        QTRY_VERIFY(m_search->isActiveWindow());
        m_search->findChild<QLineEdit*>(QStringLiteral("lineEditCheck"))->setFocus();
        QStringList order;
        for (QWidget* widget : KivAccessibleAudit::TabCycle(m_search.get()))
            order.append(widget->objectName());
        QCOMPARE(order, QStringList({QStringLiteral("lineEditCheck"), QStringLiteral("bCheckBtn"),
                                     QStringLiteral("AddBtn"), QStringLiteral("b_Minimize"),
                                     QStringLiteral("b_Close")}));
        QCOMPARE(KivAccessibleAudit::Description(row->AddButton()),
                 QStringLiteral("添加小明为好友"));
    }

    void oneReturnSearchesOnce() {
        auto* edit = m_search->findChild<QLineEdit*>(QStringLiteral("lineEditCheck"));
        edit->setText(QStringLiteral("10005"));
        KivThreadSpy answers(CKivFriendNetModel::GetInstance(),
                             &CKivFriendNetModel::AccountSearchResult);
        const int before = m_session->session().RecordsSent();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(m_session->session().RecordsSent(), before + 1);
        QVERIFY(answers.wait(10000));
        QCOMPARE(answers.count(), 1);
        QCOMPARE(m_search->ResultCount(), 1);
    }

    // Another window's search is answered the same way; that answer is not
    // this dialog's, which still waits for its own.
    void anotherWindowsAnswerIsNotOurs() {
        m_search->findChild<QLineEdit*>(QStringLiteral("lineEditCheck"))
            ->setText(QStringLiteral("10005"));
        m_search->CheckBtnClicked();
        m_search->InitCheckFriendDlg(1, false, QByteArray("10002"));
        QVERIFY(!m_closer->texts().contains(QStringLiteral("没有该用户")));
        QTRY_COMPARE_WITH_TIMEOUT(m_search->ResultCount(), 1, 10000);
        QCOMPARE(m_search->ResultItem()->Info().account, QStringLiteral("10005"));
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

    // A new answer while the row's own message box runs its loop refills the
    // row; deleting it there took the box along and freed the box twice.
    void answerWhileTheRowsBoxIsOpen() {
        KivAddFriendItem* row = searchFor(QStringLiteral("10001"));
        QVERIFY(row);
        m_closer.reset();
        const QPointer<KivAddFriendItem> rowAlive(row);
        bool boxOpen = false;
        bool answered = false;
        QTimer::singleShot(0, this, [&] {
            const QPointer<KivFriendMyMessageBoxView> box =
                row->findChild<KivFriendMyMessageBoxView*>();
            boxOpen = box && box->isVisible();
            m_search->findChild<QLineEdit*>(QStringLiteral("lineEditCheck"))
                ->setText(QStringLiteral("10005"));
            m_search->CheckBtnClicked();
            answered = QTest::qWaitFor([this] { return m_search->ResultCount() == 1; }, 10000);
            if (box)
                box->bClose_Clicked();
        });
        row->AddBtnClicked();
        QVERIFY(boxOpen);
        QVERIFY(answered);
        QVERIFY(rowAlive);
        QCOMPARE(m_search->ResultItem(), row);
        QCOMPARE(row->Info().account, QStringLiteral("10005"));
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
        const int before = m_session->session().RecordsSent();
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
            QCOMPARE(m_session->session().RecordsSent(), before);
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

    // Logs 10002 in instead, which has no waiting requests of its own (so any
    // card is the test's), and sends its request to 10005, logged in as `peer`.
    void askAsTheSecondAccount(CKivRawClient& peer) {
        m_search.reset();
        // The old session gives its working directory back first; made the other
        // way round, the new session would run in the folder the test started in.
        m_session.reset();
        m_session = std::make_unique<KivLoggedInSession>();
        QVERIFY(m_session->start(QStringLiteral("10002")));
        m_search = std::make_unique<KivAddCheckFriendDlg>(nullptr, m_session->session());
        m_search->show();
        QVERIFY(peer.connectTo(m_session->server().tcpPort()));
        QVERIFY(peer.login(QStringLiteral("10005"), QStringLiteral("123456")));
        KivAddFriendItem* row = searchFor(QStringLiteral("10005"));
        QVERIFY(row);
        row->AddBtnClicked();
        row->RequestDialog()->SendAddFriend();
        AddFriendPushRecord push;
        QVERIFY(peer.waitFor(AddFriendPush, push, 10000));
    }
    static void accept(CKivRawClient& peer) {
        AddFriendAnswerRequest answer;
        KivInitRecord(answer, AddFriendAnswer);
        answer.askerUid = 10002;
        answer.ownUid = 10005;
        answer.answer = 1;
        peer.send(answer);
    }
    static bool hasCardOf(KivIMMainDlg* main, qint64 uid) {
        if (!main->AddFriendTip() || !main->AddFriendTip()->isVisible())
            return false;
        for (CFriendInfoWnd* card : main->AddFriendTip()->Cards()) {
            if (card->Requester() == uid)
                return true;
        }
        return false;
    }

    void ownRequestAcceptedByTheOtherSide() {
        CKivRawClient peer;
        askAsTheSecondAccount(peer);
        if (QTest::currentTestFailed())
            return;
        accept(peer);
        KivIMMainDlg* main = m_session->mainWindow();
        QTRY_VERIFY_WITH_TIMEOUT(main->IsFriendUid(10005), 10000);
        // The notice that the friendship stands is no request to answer, also
        // once it had the time to turn into one.
        m_session->clock().Advance(KivIMMainDlg::kNoticeGraceMs);
        QVERIFY(!main->AddFriendTip() || main->AddFriendTip()->Cards().empty());
    }

    // A request from a user we asked is a request while no friendship stands:
    // when both ask at once, and when that user asks again after a delete.
    void requestFromAUserWeAsked_data() {
        QTest::addColumn<bool>("friendsInBetween");
        QTest::newRow("both ask at once") << false;
        QTest::newRow("asked again after a delete") << true;
    }
    void requestFromAUserWeAsked() {
        QFETCH(bool, friendsInBetween);
        CKivRawClient peer;
        askAsTheSecondAccount(peer);
        if (QTest::currentTestFailed())
            return;
        KivIMMainDlg* main = m_session->mainWindow();
        if (friendsInBetween) {
            accept(peer);
            QTRY_VERIFY_WITH_TIMEOUT(main->IsFriendUid(10005), 10000);
            DeleteFriendRequest drop;
            KivInitRecord(drop, DeleteFriend);
            drop.ownUid = 10005;
            drop.friendUid = 10002;
            peer.send(drop);
            QTRY_VERIFY_WITH_TIMEOUT(!main->IsFriendUid(10005), 10000);
        }
        AddFriendRequestRecord ask;
        KivInitRecord(ask, AddFriendRequest);
        ask.fromUid = 10005;
        ask.toUid = 10002;
        KivWriteText(ask.verifyText, QByteArray("加我吧"));
        peer.send(ask);
        if (!friendsInBetween) {
            // Still asked: the record waits its grace for an acceptance, and
            // with none it is a request.
            QTRY_COMPARE_WITH_TIMEOUT(m_session->clock().NextDue(),
                                      qint64(KivIMMainDlg::kNoticeGraceMs), 10000);
            QVERIFY(!hasCardOf(main, 10005));
            m_session->clock().Advance(KivIMMainDlg::kNoticeGraceMs);
        }
        QTRY_VERIFY_WITH_TIMEOUT(hasCardOf(main, 10005), 10000);
        QVERIFY(!main->IsFriendUid(10005));
    }

    void refusedRequestSendsNothingAndIsListedAgain() {
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
        QCOMPARE(tip->Cards().size(), before);
        QVERIFY(hasCardOf(main, 20001));
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
        CKivIMaddfriendTipDlg tip(nullptr, m_session->session());
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
        // Each card's buttons say whose request they answer.
        QCOMPARE(KivAccessibleAudit::Description(ours.front()->AcceptButton()),
                 QStringLiteral("请求者30001"));
        // Taking one card out closes the gap.
        tip.Cards().front()->RefuseButton()->click();
        QCOMPARE(tip.CellOf(tip.Cards()[2]), qMakePair(0, 2));
    }
};

KIV_TEST_CLASS(tst_KivAddFriendFlow)
#include "tst_KivAddFriendFlow.moc"
