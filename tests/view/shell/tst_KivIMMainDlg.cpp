#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivGlobalAtom.h"
#include "KivModalCloser.h"
#include "KivRecordSink.h"
#include "KivTestMainWindow.h"
#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "KivWindowMessage.h"
#include "chat/CChatHistoryList.h"
#include "chat/CChatItem.h"
#include "chat/CKivIMChatDlg.h"
#include "chat/CKivImChatRecordDlg.h"
#include "contacts/kivPersonalInfoDlg.h"
#include "shell/ImMeaidCueDlg.h"
#include "shell/KivChatMessageWidget.h"
#include "shell/KivIMMainDlg.h"
#include "shell/MyListModel.h"

namespace {

constexpr Uint32 kOwnUid = 10001;

tag_friend_result MakeFriendList(const QList<QPair<Uint32, QString>>& friends) {
    return KivTestMainWindow::FriendList(friends);
}

}  // namespace

class tst_KivIMMainDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<KivIMMainDlg> m_window;

    void storeIncoming(Uint32 from, const QByteArray& text) {
        QVERIFY(KivTestMainWindow::StoreReceived(from, text) != 0);
    }
    // Stored as the network thread stores a received message; the row's id.
    static qint64 storeRow(Uint32 from, const QByteArray& text) {
        return KivTestMainWindow::StoreReceived(from, text);
    }
    // The texts of a chat dialog's bubbles, oldest first.
    static QStringList bubbles(CKivIMChatDlg* dialog) {
        QStringList texts;
        for (int row = 0; row < dialog->History()->count(); ++row)
            texts.append(dialog->History()->itemAt(row)->PlainText());
        return texts;
    }
    static QStringList numbered(int from, int to) {
        QStringList texts;
        for (int i = from; i < to; ++i)
            texts.append(QStringLiteral("m%1").arg(i));
        return texts;
    }
    // A new session's main window, as the login dialog fills it.
    void logIn(const QList<QPair<Uint32, QString>>& friends) {
        m_window.reset();
        m_window = KivTestMainWindow::LogIn(friends);
    }
    int unreadRows(Uint32 from) {
        QSqlQuery query(CKivFriendSqlUtilCommon::CreateSqlUtil(
                            CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                            ->database());
        query.exec(QStringLiteral("select count(*) from chat_message_table where isgot=0 and "
                                  "senderuid=%1")
                       .arg(from));
        return query.next() ? query.value(0).toInt() : -1;
    }
    bool inUnread(Uint32 uid) const {
        for (const auto& entry : m_window->UnreadList()) {
            if (entry.first == int(uid))
                return true;
        }
        return false;
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        QVERIFY(KivTestMainWindow::OpenDatabase());
        logIn({{10002, QStringLiteral("李四")}, {10003, QStringLiteral("王五")}});
    }
    void cleanup() { KivTestMainWindow::LogOut(m_window, m_tree); }

    void pagesAfterLogin() {
        QCOMPARE(m_window->CurrentPage(), int(KivIMMainDlg::FriendPage));
        const QList<QStringList> rows = m_window->PageModel(KivIMMainDlg::FriendPage)->rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value(KivIMMainDlg::RowName), QStringLiteral("李四"));
        QCOMPARE(rows[1].value(KivIMMainDlg::RowUid), QStringLiteral("10003"));
        // Chat dialogs are made when first needed, not for every friend.
        QVERIFY(!m_window->HasChatDialog(10002));
        QVERIFY(!m_window->HasChatDialog(10003));
        QVERIFY(!m_window->IsFlashing());
    }

    // With "MarginHide" 1 a window touching the top edge slides up when the
    // mouse is elsewhere; with 0 it stays.
    void hidingAtTheTopEdge_data() {
        QTest::addColumn<int>("marginHide");
        QTest::addColumn<bool>("hides");
        QTest::newRow("on") << 1 << true;
        QTest::newRow("off") << 0 << false;
    }
    void hidingAtTheTopEdge() {
        QFETCH(int, marginHide);
        QFETCH(bool, hides);
        m_window->m_settings[QStringLiteral("MarginHide")] = marginHide;
        m_window->show();
        m_window->move(400, 0);
        QCursor::setPos(1, 1);
        m_window->msg_TimerEnd();
        if (hides) {
            QTRY_COMPARE(m_window->y(), 3 - m_window->height());
        } else {
            QTest::qWait(400);
            QCOMPARE(m_window->y(), 0);
        }
        m_window->WindowsMarginHide(marginHide);
        QCOMPARE(m_window->y(), hides ? 3 - m_window->height() : 0);
        m_window->ShowMainDlg();
        QCOMPARE(m_window->y(), 0);
    }

    // The tray's preview goes on the third watch tick without the mouse on it.
    void previewHidesAfterThreeTicks() {
        storeIncoming(10002, "你好");
        m_window->MessageRecive(10002, QByteArray("你好"), 6);
        KivChatMessageWidget* preview = m_window->Preview();
        QTRY_COMPARE(preview->EntryCount(), 1);
        preview->show();
        preview->move(500, 400);
        QCursor::setPos(1, 1);
        m_window->msg_TimerEnd();
        m_window->msg_TimerEnd();
        QVERIFY(preview->isVisible());
        m_window->msg_TimerEnd();
        QVERIFY(!preview->isVisible());
    }

    void emptyFriendListEmptiesThePage() {
        m_window->FriendListResult(MakeFriendList({}));
        QVERIFY(m_window->Friends().empty());
        QVERIFY(m_window->PageModel(KivIMMainDlg::FriendPage)->rows().isEmpty());
        m_window->DClickedForRow(0, false);
        QVERIFY(!m_window->HasChatDialog(10002) || !m_window->ChatDialog(10002)->isVisible());
    }

    // The menu of each page, read while it is open.
    void friendMenus_data() {
        QTest::addColumn<bool>("vipPage");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("friends") << false
                                 << QStringList{"发送即时消息", "查看个人资料", "删除好友"};
        QTest::newRow("VIP") << true
                             << QStringList{"发送即时消息", "查看个人资料", "删除好友",
                                            "添加为好友"};
    }
    void friendMenus() {
        QFETCH(bool, vipPage);
        QFETCH(QStringList, items);
        m_window->VipListResult(MakeFriendList({{10004, QStringLiteral("赵六")}}));
        m_window->show();
        if (vipPage)
            m_window->changeDlgForGame();
        auto* view = m_window->findChild<QListView*>(vipPage ? QStringLiteral("listViewVip")
                                                             : QStringLiteral("listViewFriend"));
        QVERIFY(view);
        QTRY_VERIFY(view->isVisible());
        QStringList seen;
        QTimer reader;
        connect(&reader, &QTimer::timeout, this, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    seen << action->text();
                menu->close();
            }
        });
        reader.start(20);
        emit view->customContextMenuRequested(
            view->visualRect(view->model()->index(0, 0)).center());
        QCOMPARE(seen, items);
    }

    // A signature read from a friend's profile reaches the friend's row.
    void profileSignatureReachesTheRow() {
        kivPersonalInfoDlg* info = m_window->PersonalInfo(10003);
        emit info->SndChangeSign(QStringLiteral("新的签名"));
        const QList<QStringList> rows = m_window->PageModel(KivIMMainDlg::FriendPage)->rows();
        QCOMPARE(rows[1].value(KivIMMainDlg::RowText), QStringLiteral("新的签名"));
        QCOMPARE(rows[0].value(KivIMMainDlg::RowText), QString());
    }

    void messageForAHiddenDialogWaits() {
        storeIncoming(10002, "你好");
        m_window->MessageRecive(10002, QByteArray("你好"), 6);
        storeIncoming(10002, "在吗");
        m_window->MessageRecive(10002, QByteArray("在吗"), 6);
        int entries = 0;
        for (const auto& entry : m_window->UnreadList())
            entries += entry.first == 10002;
        QCOMPARE(entries, 1);
        QVERIFY(m_window->IsFlashing());
        CKivIMChatDlg* dialog = m_window->ChatDialog(10002);
        QCOMPARE(dialog->PendingMessages(), (QStringList{"你好", "在吗"}));
        QVERIFY(!dialog->isVisible());
        // The recent-chat page shows the conversation with its last text.
        QTRY_COMPARE(m_window->PageModel(KivIMMainDlg::ChatPage)->rows().size(), 1);
        const QList<QStringList> recent = m_window->PageModel(KivIMMainDlg::ChatPage)->rows();
        QCOMPARE(recent[0].value(KivIMMainDlg::RowText), QStringLiteral("在吗"));

        // Opening it stops the flashing and marks the rows read.
        m_window->DClickedForRow(0, false);
        QVERIFY(!inUnread(10002));
        QVERIFY(!m_window->IsFlashing());
        QTRY_COMPARE(unreadRows(10002), 0);
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->PendingMessages().isEmpty());
    }

    void recentChatsShowTheNewestEitherWay() {
        storeIncoming(10003, "来信");
        ChatMessageRecord own;
        KivInitRecord(own, ChatMessage);
        own.senderUid = kOwnUid;
        own.receiverUid = 10003;
        KivWriteText(own.text, QByteArray("回信"));
        QVERIFY(
            CKivFriendDBModel::GetInstance()->InsertMessage(reinterpret_cast<const char*>(&own)));
        m_window->initChatListView(true);
        QCOMPARE(m_window->CurrentPage(), int(KivIMMainDlg::ChatPage));
        const QList<QStringList> recent = m_window->PageModel(KivIMMainDlg::ChatPage)->rows();
        QCOMPARE(recent.size(), 1);
        QCOMPARE(recent[0].value(KivIMMainDlg::RowText), QStringLiteral("回信"));
        QCOMPARE(recent[0].value(KivIMMainDlg::RowUid), QStringLiteral("10003"));
    }

    void messageForAnOpenDialogIsReadAtOnce() {
        CKivIMChatDlg* dialog = m_window->ChatDialog(10003);
        dialog->show();
        storeIncoming(10003, "hi");
        m_window->MessageRecive(10003, QByteArray("hi"), 2);
        QVERIFY(!inUnread(10003));
        QCOMPARE(unreadRows(10003), 0);
        QVERIFY(!m_window->IsFlashing());
    }

    void strangerStillGetsADialog() {
        m_window->MessageRecive(10099, QByteArray("我是谁"), 9);
        CKivIMChatDlg* dialog = m_window->ChatDialog(10099);
        QVERIFY(dialog);
        QVERIFY(dialog->IsInitialised());
        QCOMPARE(dialog->Need().friendUid, Uint32(10099));
        QCOMPARE(m_window->UnreadList().last(), (QPair<int, int>(10099, -1)));
        QVERIFY(m_window->IsFlashing());
    }

    void offlineMessagesAreQueuedOnce() {
        storeIncoming(10003, "昨天的消息");
        m_window->getLeaveMessage();
        m_window->getLeaveMessage();
        QCOMPARE(m_window->ChatDialog(10003)->PendingMessages(), QStringList{"昨天的消息"});
        QVERIFY(inUnread(10003));
    }

    // However a row is announced (live with its id, live without one, as an
    // offline item, late or twice), it reaches the conversation exactly once.
    void everyRowIsTakenOnce() {
        const qint64 first = storeRow(10003, "离线一");
        const qint64 live = storeRow(10003, "在线");
        const qint64 second = storeRow(10003, "离线二");
        QVERIFY(first > 0 && live > first && second > live);
        // The live announcement comes before the offline items' signals.
        m_window->ChatMessageStored(10003, live, "在线");
        m_window->getLeaveMessage();
        m_window->getLeaveMessage();
        m_window->ChatMessageStored(10003, live, "在线");
        // A message the database could not keep is shown as it came.
        m_window->ChatMessageStored(10003, 0, "未保存");
        CKivIMChatDlg* dialog = m_window->ChatDialog(10003);
        QCOMPARE(dialog->PendingMessages(), (QStringList{"离线一", "在线", "离线二", "未保存"}));
        int entries = 0;
        for (const auto& entry : m_window->UnreadList())
            entries += entry.first == 10003;
        QCOMPARE(entries, 1);

        m_window->DClickedForRow(1, false);
        QCOMPARE(bubbles(dialog), (QStringList{"离线一", "在线", "离线二", "未保存"}));
        QTRY_COMPARE(unreadRows(10003), 0);
        // The next look finds nothing new: nothing comes twice.
        m_window->getLeaveMessage();
        QCOMPARE(dialog->History()->count(), 4);
    }

    // Offline items for a window in sight show at once and are read; so are
    // messages for a minimised window, which do not come back later.
    void messagesForAWindowInSightAreShownAndRead_data() {
        QTest::addColumn<bool>("minimised");
        QTest::addColumn<bool>("offline");
        QTest::newRow("open, offline items") << false << true;
        QTest::newRow("minimised, live") << true << false;
        QTest::newRow("minimised, offline items") << true << true;
    }
    void messagesForAWindowInSightAreShownAndRead() {
        QFETCH(bool, minimised);
        QFETCH(bool, offline);
        CKivIMChatDlg* dialog = m_window->ChatDialog(10002);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        if (minimised)
            dialog->showMinimized();
        for (const QByteArray text : {"一", "二", "三"}) {
            const qint64 row = storeRow(10002, text);
            if (!offline)
                m_window->ChatMessageStored(10002, row, text);
        }
        if (offline)
            m_window->getLeaveMessage();
        QCOMPARE(bubbles(dialog), (QStringList{"一", "二", "三"}));
        QVERIFY(dialog->PendingMessages().isEmpty());
        QVERIFY(!inUnread(10002));
        QCOMPARE(unreadRows(10002), 0);
        QVERIFY(!m_window->IsFlashing());

        dialog->showNormal();
        m_window->getLeaveMessage();
        QCOMPARE(dialog->History()->count(), 3);
        // The next session does not offer them again either.
        logIn({{10002, QStringLiteral("李四")}});
        QVERIFY(m_window->UnreadList().isEmpty());
        QVERIFY(!m_window->HasChatDialog(10002));
    }

    // A long pile keeps only the newest texts, in order; the unread count
    // still counts them all, and opening shows exactly those.
    void longPileKeepsTheNewestInOrder() {
        const int total = CKivIMChatDlg::kMaxPending + 57;
        for (int i = 0; i < total; ++i) {
            const QByteArray text = QStringLiteral("m%1").arg(i).toUtf8();
            m_window->ChatMessageStored(10002, storeRow(10002, text), text);
        }
        CKivIMChatDlg* dialog = m_window->ChatDialog(10002);
        QCOMPARE(dialog->PendingMessages(), numbered(57, total));
        m_window->DClickedForRow(0, false);
        QVERIFY(dialog->History()->count() < CKivIMChatDlg::kMaxPending);
        QCOMPARE(bubbles(dialog).last(), QStringLiteral("m%1").arg(total - 1));
        QTRY_COMPARE(dialog->History()->count(), int(CKivIMChatDlg::kMaxPending));
        QCOMPARE(bubbles(dialog), numbered(57, total));
        QTRY_COMPARE(unreadRows(10002), 0);
    }

    // The same pile waiting from before the login: taken at the first look.
    void pileFromBeforeTheLoginWaits() {
        for (int i = 0; i < 230; ++i)
            storeRow(10003, QStringLiteral("m%1").arg(i).toUtf8());
        logIn({{10003, QStringLiteral("王五")}});
        QVERIFY(inUnread(10003));
        QVERIFY(m_window->IsFlashing());
        QCOMPARE(m_window->ChatDialog(10003)->PendingMessages(), numbered(30, 230));
        QTRY_COMPARE(m_window->Preview()->EntryCount(), 1);
        m_window->getLeaveMessage();
        QCOMPARE(m_window->ChatDialog(10003)->PendingMessages().size(), 200);
    }

    // A dialog made on first use starts as one made at login would: the
    // send key, the friend's name and head, the conversation for its record.
    void dialogMadeOnFirstUseHasTheSessionsState() {
        m_window->m_hotKeyText[QStringLiteral("SndmsgKey")] = QStringLiteral("C");
        QVERIFY(!m_window->HasChatDialog(10003));
        m_window->ChatMessageStored(10003, storeRow(10003, "你好"), "你好");
        CKivIMChatDlg* dialog = m_window->ChatDialog(10003);
        QVERIFY(dialog->IsInitialised());
        QCOMPARE(dialog->SendMode(), 2);
        QCOMPARE(dialog->Need().nickName, QStringLiteral("王五"));
        QCOMPARE(dialog->Need().headIndex, Uint32(2));
        QCOMPARE(dialog->PendingMessages(), QStringList{"你好"});
        // Pickers and the record panel wait for their first use.
        QVERIFY(!dialog->HasPickers());
        QVERIFY(!dialog->HasRecordPanel());
        dialog->show();
        dialog->HistoryClick();
        QVERIFY(dialog->HasRecordPanel());
        QTRY_VERIFY(dialog->Record()->Total() >= 1);
        // A later change of the key reaches dialogs made before it.
        emit m_window->SengMsgKey(QStringLiteral("E"));
        QCOMPARE(dialog->SendMode(), 1);
    }

    void nextMessageHotKeyOpensTheLastSender() {
        storeIncoming(10002, "一");
        m_window->MessageRecive(10002, QByteArray("一"), 3);
        storeIncoming(10003, "二");
        m_window->MessageRecive(10003, QByteArray("二"), 3);
        QTRY_COMPARE(m_window->Preview()->EntryCount(), 2);
        m_window->GetMsgForHot();
        QVERIFY(m_window->isVisible());
        QVERIFY(m_window->ChatDialog(10003)->isVisible());
        QVERIFY(!m_window->ChatDialog(10002)->isVisible());
        QVERIFY(m_window->IsFlashing());
        QCOMPARE(m_window->Preview()->EntryCount(), 1);
        m_window->GetMsgForHot();
        QVERIFY(m_window->ChatDialog(10002)->isVisible());
        QVERIFY(m_window->UnreadList().isEmpty());
        QVERIFY(!m_window->IsFlashing());
        QCOMPARE(m_window->Preview()->EntryCount(), 0);
    }

    void showHotKeyToggles() {
        m_window->hide();
        m_window->ShowmDlgForHot();
        QVERIFY(m_window->isVisible());
        m_window->ShowmDlgForHot();
        QVERIFY(!m_window->isVisible());
        m_window->show();
        m_window->HidemDlgHotSlot();
        QVERIFY(!m_window->isVisible());
    }

    void hotKeyRegistration() {
        QList<int> shown;
        QList<int> next;
        QObject scope;
        connect(m_window.get(), &KivIMMainDlg::SndShowDlgHotId, &scope,
                [&](int id) { shown << id; });
        connect(m_window.get(), &KivIMMainDlg::SndGetmsgHotId, &scope, [&](int id) { next << id; });
        QCOMPARE(m_window->InitHotKey(), 0);
        QVERIFY(shown.isEmpty() && next.isEmpty());
        QCOMPARE(m_window->ShowHotKeyId(), 0);

        m_window->m_hotKeyText[QStringLiteral("ShowmDlgName")] = QStringLiteral("Ctrl + Alt + K");
        m_window->m_hotKeyText[QStringLiteral("GetmsgName")] = QStringLiteral("F9");
        QCOMPARE(m_window->InitHotKey(), 0);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(next.size(), 1);
        QVERIFY(shown[0] >= 0xC000 && shown[0] <= 0xFFFF);
        QVERIFY(next[0] != shown[0]);
        QCOMPARE(m_window->ShowHotKeyId(), shown[0]);

        // A changed combination replaces the old one; a cleared one frees its identifier.
        m_window->m_hotKeyText[QStringLiteral("ShowmDlgName")] = QStringLiteral("Shift + M");
        m_window->m_hotKeyText[QStringLiteral("GetmsgName")] = QString();
        QCOMPARE(m_window->InitHotKey(), 0);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(next.size(), 1);
        QCOMPARE(m_window->GetMsgHotKeyId(), 0);
        // A closed session gives its identifier back.
        const int held = m_window->ShowHotKeyId();
        QCOMPARE(KivGlobalAtom::Name(held), QStringLiteral("ShowDlgHotKey"));
        m_window.reset();
        QVERIFY(KivGlobalAtom::Name(held).isEmpty());
    }

    void closeButton_data() {
        QTest::addColumn<int>("closeWay");
        QTest::addColumn<bool>("loggedOut");
        QTest::newRow("hide to the tray") << 0 << false;
        QTest::newRow("log out") << 1 << true;
    }
    void closeButton() {
        QFETCH(int, closeWay);
        QFETCH(bool, loggedOut);
        KivRecordSink sink;
        QVERIFY(sink.LogIn(kOwnUid, "tester"));
        m_window->m_settings.insert(QStringLiteral("CloseMaindlg"), closeWay);
        m_window->show();
        m_window->findChild<QPushButton*>(QStringLiteral("b_Close"))->click();
        QVERIFY(!m_window->isVisible());
        if (loggedOut) {
            QTRY_COMPARE(sink.records(Logout).size(), 1);
            LogoutRequest logout;
            memcpy(&logout, sink.records(Logout).first().constData(), sizeof(logout));
            QCOMPARE(logout.status, quint16(5));
        } else {
            QTest::qWait(200);
            QCOMPARE(sink.records(Logout).size(), 0);
        }
    }

    // The caller ends a call offered twice: ending the first cue waits for its
    // call window, and meanwhile the second cue is deleted.
    void endingCuesWhileOneIsDeleted() {
        ptl_sys_send_per_media media;
        KivInitRecord(media, Media);
        media.callerUid = 10002;
        media.calleeUid = kOwnUid;
        media.state = 1;
        m_window->ReciveReqMedia(media);
        m_window->ReciveReqMedia(media);
        const QList<ImMeaidCueDlg*> found = m_window->findChildren<ImMeaidCueDlg*>();
        QCOMPARE(found.size(), 2);
        QPointer<ImMeaidCueDlg> first = found[0];
        QPointer<ImMeaidCueDlg> second = found[1];
        // This test plays both call windows.
        first->ExpectCallWindowFrom(QCoreApplication::applicationPid());
        second->ExpectCallWindowFrom(QCoreApplication::applicationPid());
        QList<quint32> firstKinds;
        KivMessageWindow firstWindow(KivWindowIdFor(0), [&](const KivWindowMessage& message) {
            firstKinds.append(message.kind);
            if (message.kind == 2)
                delete second.data();
        });
        KivMessageWindow secondWindow(KivWindowIdFor(0), [](const KivWindowMessage&) {});
        QVERIFY(KivSendMessage(first->MessageWindowId(), 1, firstWindow.id(), QByteArray(1, '\0')));
        QVERIFY(
            KivSendMessage(second->MessageWindowId(), 1, secondWindow.id(), QByteArray(1, '\0')));
        QTRY_COMPARE(first->CallWindow(), firstWindow.id());
        QTRY_COMPARE(second->CallWindow(), secondWindow.id());

        media.state = 4;
        m_window->CloseMediaCue(media);
        QVERIFY(firstKinds.contains(2u));
        QVERIFY(!second);
        QTRY_VERIFY(!first);
    }

    // Profile updates are answered in the order they went out: each result
    // goes to the dialog whose update it answers, and the main window tells
    // the user; results for other users, or that nobody awaits, are dropped.
    void alterInfoResultsGoToTheirSaves_data() {
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("taken, refused") << QList<int>{1, 2} << QStringList{"修改成功", "修改失败"};
        QTest::newRow("refused, taken") << QList<int>{2, 1} << QStringList{"修改失败", "修改成功"};
    }
    void alterInfoResultsGoToTheirSaves() {
        QFETCH(QList<int>, results);
        QFETCH(QStringList, told);
        KivModalCloser closer;
        QWidget profile;
        QWidget head;
        QList<QPair<QString, Uint32>> answered;
        m_window->AwaitAlterInfo(&profile, [&](Uint32, Uint32 result, Uint32) {
            answered.append({QStringLiteral("profile"), result});
        });
        m_window->AwaitAlterInfo(&head, [&](Uint32, Uint32 result, Uint32) {
            answered.append({QStringLiteral("head"), result});
        });
        m_window->AlterInfoResult(kOwnUid + 1, 1, 0);
        QVERIFY(answered.isEmpty());
        for (int result : results)
            m_window->AlterInfoResult(kOwnUid, Uint32(result), 0);
        m_window->AlterInfoResult(kOwnUid, 1, 0);
        QCOMPARE(answered.size(), 2);
        QCOMPARE(answered[0], qMakePair(QStringLiteral("profile"), Uint32(results[0])));
        QCOMPARE(answered[1], qMakePair(QStringLiteral("head"), Uint32(results[1])));
        QCOMPARE(closer.texts(), told);
    }

    void automaticAnswerForAFriend() {
        KivRecordSink sink;
        QVERIFY(sink.LogIn(kOwnUid, "tester"));
        m_window->UserAddSlots(10099);
        m_window->UserAddSlots(10003);
        QTRY_COMPARE(sink.records(AddFriendAnswer).size(), 1);
        AddFriendAnswerRequest answer;
        memcpy(&answer, sink.records(AddFriendAnswer).first().constData(), sizeof(answer));
        QCOMPARE(answer.askerUid, Uint32(10003));
        QCOMPARE(answer.ownUid, kOwnUid);
        QCOMPARE(answer.answer, Uint32(3));
    }
};

KIV_TEST_CLASS(tst_KivIMMainDlg)
#include "tst_KivIMMainDlg.moc"
