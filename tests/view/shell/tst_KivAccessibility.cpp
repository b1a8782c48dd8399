#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTextEdit>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "CKivSession.h"
#include "KivAccessibleAudit.h"
#include "KivMediaRecord.h"
#include "KivModalCloser.h"
#include "KivTestMainWindow.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivTextFit.h"
#include "KivUserSettings.h"
#include "KivViewTestTree.h"
#include "account/kivRecoverPassworddlg.h"
#include "account/kivRegisterDlg.h"
#include "chat/CChatHistoryList.h"
#include "chat/CChatItem.h"
#include "chat/CChatRecord.h"
#include "chat/CKivIMChatDlg.h"
#include "chat/CKivIMfaceDlg.h"
#include "chat/CKivImChatRecordDlg.h"
#include "contacts/CHeadItem.h"
#include "contacts/CKivFriendSysSettingDlg.h"
#include "contacts/CKivIMaddfriendDlg.h"
#include "contacts/KivAddCheckFriendDlg.h"
#include "contacts/KivIMChoiceDefultHeadDlg.h"
#include "contacts/KivIMChoiceHeadDlg.h"
#include "contacts/kivPersonalInfoDlg.h"
#include "shell/ImMeaidCueDlg.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/KivHistorySearchDlg.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "shell/KivIMPlayDlg.h"
#include "shell/MyListModel.h"
#include "support/KivFocusRing.h"

namespace {

// Every accessible event the windows send, for the announcements.
QList<QPair<QAccessible::Event, QString>> g_events;

void RecordEvent(QAccessibleEvent* event) {
    QString text;
    if (QAccessibleInterface* item = event->accessibleInterface())
        text = item->text(QAccessible::Name);
    g_events.append({event->type(), text});
}

// Every text a window shows: title, labels, buttons, placeholders, combo
// box items, tool tips and the names a screen reader reads.
QSet<QString> Texts(QWidget* window) {
    QSet<QString> texts{window->windowTitle()};
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        texts << widget->accessibleName() << widget->toolTip();
        if (auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            texts << edit->placeholderText();
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
    }
    return texts;
}

bool English() {
    return QLocale().language() == QLocale::English;
}

}  // namespace

// The windows as a screen reader and a keyboard user meet them: every control
// has a name, every control is reached by Tab, rows and bubbles say what they
// show, and a received message is announced.
class tst_KivAccessibility : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<KivIMMainDlg> m_window;

    void logIn() {
        m_window = KivTestMainWindow::LogIn(
            {{10002, QStringLiteral("李四")}, {10003, QStringLiteral("王五")}});
    }
    static void expectNamed(QWidget* window) {
        const QStringList unnamed = KivAccessibleAudit::Unnamed(window);
        if (!unnamed.isEmpty())
            qWarning().noquote() << window->objectName() << "unnamed:" << unnamed.join(", ");
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        // The walk also measures every text, in the language the run has.
        const QStringList unfit = KivTextFit::Problems(window);
        if (!unfit.isEmpty())
            qWarning().noquote() << window->objectName() << "texts that do not fit:" << unfit;
        QVERIFY2(unfit.isEmpty(), qPrintable(unfit.join(", ")));
    }
    // The texts users and other programs' checks know a window by: exactly
    // these in Chinese, with no translation file; in English none of them
    // left over (a text filed under the wrong context would be).
    static void expectTexts(QWidget* window, const QStringList& chinese) {
        const QSet<QString> shown = Texts(window);
        for (const QString& text : chinese) {
            if (English())
                QVERIFY2(!shown.contains(text),
                         qPrintable(QStringLiteral("untranslated: ") + text));
            else
                QVERIFY2(shown.contains(text), qPrintable(QStringLiteral("missing: ") + text));
        }
    }
    static void expectFit(QWidget* window) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QStringList unfit = KivTextFit::Problems(window);
        QVERIFY2(unfit.isEmpty(), qPrintable(unfit.join(QStringLiteral(", "))));
    }
    static void expectReachable(QWidget* window, const QStringList& except = {}) {
        const QStringList out = KivAccessibleAudit::OutOfTabOrder(window, except);
        if (!out.isEmpty())
            qWarning().noquote() << window->objectName() << "out of tab order:" << out.join(", ");
        QVERIFY2(out.isEmpty(), qPrintable(out.join(", ")));
    }

private slots:
    void initTestCase() { QAccessible::installUpdateHandler(&RecordEvent); }
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        QVERIFY(KivTestMainWindow::OpenDatabase());
        KivUserSettings::EnsureDefaults(QStringLiteral("tester"));
        g_events.clear();
    }
    void cleanup() { KivTestMainWindow::LogOut(m_window, m_tree); }

    void loginDialog() {
        // A server that takes the connection, so no failure box takes the keys.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nversion=1\n")
                              .arg(server.serverPort())
                              .toLatin1());
        CKivFriendReadConfigModel::ReleaseInstance();
        KivModalCloser closer;
        const std::unique_ptr<CKivSession> loginSession = KivNewTestSession();
        KivIMLoginDlg login(nullptr, *loginSession);
        login.SetLoginDelayMs(0);
        const KivMainWindowGone mainWindowGone;
        login.show();
        QVERIFY(QTest::qWaitForWindowExposed(&login));
        QTRY_VERIFY(CKivFriendNetModel::GetInstance()->IsConnected());
        login.activateWindow();
        QTRY_VERIFY(login.isActiveWindow());
        expectNamed(&login);
        // Tab goes between account and password only, as it always did; the
        // other controls have keys of their own.
        const QStringList ownKeys{QStringLiteral("eyeBtn"), QStringLiteral("bRegAccount"),
                                  QStringLiteral("bForgetPwd")};
        expectReachable(&login, ownKeys);
        for (const QString& name : ownKeys) {
            auto* button = login.findChild<QAbstractButton*>(name);
            QVERIFY(button);
            QVERIFY2(!button->shortcut().isEmpty(), qPrintable(name));
        }
        auto* password = login.findChild<QLineEdit*>(QStringLiteral("lineEditPassWd"));
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        password->setFocus();
        QTest::keyClick(&login, Qt::Key_V, Qt::AltModifier);
        QTRY_COMPARE(password->echoMode(), QLineEdit::Normal);
        auto* remember = login.findChild<QCheckBox*>(QStringLiteral("checkBoxRemember"));
        const bool was = remember->isChecked();
        QTest::keyClick(&login, Qt::Key_M, Qt::AltModifier);
        QTRY_COMPARE(remember->isChecked(), !was);
        expectTexts(&login,
                    {QStringLiteral("账号"), QStringLiteral("密码"), QStringLiteral("记住密码"),
                     QStringLiteral("自动登入"), QStringLiteral("登  录"),
                     QStringLiteral("注册账号"), QStringLiteral("找回密码")});
        // The failure box other programs' checks read: title and text.
        login.FaildConnectSlot();
        QTRY_COMPARE(closer.texts().size(), 1);
        const bool chinese =
            closer.titles().first() == QStringLiteral("提示") &&
            closer.texts().first() == QStringLiteral("连接失败，请检查您的网络连接!");
        QCOMPARE(chinese, !English());
    }

    void mainWindow() {
        logIn();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        for (int page = 0; page < 3; ++page) {
            m_window->findChild<QStackedWidget*>(QStringLiteral("stackedWidget"))
                ->setCurrentIndex(page);
            expectNamed(m_window.get());
            expectReachable(m_window.get());
        }
        expectTexts(m_window.get(), {QStringLiteral("系统设置"), QStringLiteral("查找好友"),
                                     QStringLiteral("好友请求"), QStringLiteral("搜索聊天记录")});
    }

    // Rows say whom they show, the second line and what waits from them.
    void listRows() {
        logIn();
        MyListModel* model = m_window->PageModel(KivIMMainDlg::FriendPage);
        const QModelIndex first = model->index(0);
        QCOMPARE(first.data(Qt::AccessibleTextRole).toString(), QStringLiteral("李四"));
        // In the language the run has.
        const QString unread = MyListModel::tr("%n条未读消息", nullptr, 3);
        model->SetWaiting(0, 3);
        QVERIFY(first.data(Qt::AccessibleDescriptionRole).toString().endsWith(unread));
        model->SetWaiting(0, 0);
        QVERIFY(!first.data(Qt::AccessibleDescriptionRole).toString().contains(unread));
        auto* view = m_window->findChild<QListView*>(QStringLiteral("listViewFriend"));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
        QVERIFY(list && list->childCount() >= 2);
        QStringList names;
        for (int i = 0; i < list->childCount(); ++i)
            names.append(list->child(i)->text(QAccessible::Name));
        QVERIFY2(names.contains(QStringLiteral("王五")), qPrintable(names.join(',')));
    }

    // A bubble says who wrote it, when and what; one that arrives in an open
    // window is announced, an own one is not.
    void bubblesAndAnnouncement() {
        // Events go out only where the platform carries them to a screen
        // reader: the X display run of these tests.
        if (QGuiApplication::platformName() != QLatin1String("xcb") ||
            !QTest::qWaitFor([] { return QAccessible::isActive(); }, 3000))
            QSKIP("no accessibility on this platform (the tst_kivView_accessibility run has it)");
        logIn();
        CKivIMChatDlg* chat = m_window->ChatDialog(10002);
        chat->show();
        QVERIFY(QTest::qWaitForWindowExposed(chat));
        g_events.clear();
        chat->ShowFriendMessage(QStringLiteral("下午三点开会"));
        CChatItem* bubble = chat->History()->itemAt(chat->History()->count() - 1);
        const QString name = KivAccessibleAudit::Name(bubble);
        QVERIFY2(name.startsWith(QStringLiteral("李四 ")) &&
                     name.endsWith(QStringLiteral("：下午三点开会")),
                 qPrintable(name));
        auto alerts = [] {
            QStringList texts;
            for (const auto& event : std::as_const(g_events)) {
                if (event.first == QAccessible::Alert)
                    texts.append(event.second);
            }
            return texts;
        };
        QCOMPARE(alerts().size(), 1);
        QVERIFY(alerts().first().contains(QStringLiteral("下午三点开会")));
        chat->History()->addChatMessage(QStringLiteral("好的"), true);
        QCOMPARE(alerts().size(), 1);
        QVERIFY(KivAccessibleAudit::Name(chat->History()->itemAt(chat->History()->count() - 1))
                    .startsWith(QStringLiteral("张三 ")));
    }

    // Esc closes a dialog the way its close button does; the main window stays.
    void escapeCloses() {
        logIn();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QVERIFY(m_window->isVisible());
        CKivIMChatDlg* chat = m_window->ChatDialog(10002);
        chat->show();
        QVERIFY(QTest::qWaitForWindowExposed(chat));
        QTest::keyClick(chat, Qt::Key_Escape);
        QTRY_VERIFY(!chat->isVisible());
        CKivFriendSysSettingDlg settings(nullptr, KivTestMainWindow::Session());
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
        QTest::keyClick(&settings, Qt::Key_Escape);
        QTRY_VERIFY(!settings.isVisible());
    }

    // The control Tab reaches wears a ring; a click takes it off.
    void focusIsVisible() {
        logIn();
        CKivIMChatDlg* chat = m_window->ChatDialog(10002);
        chat->show();
        QVERIFY(QTest::qWaitForWindowExposed(chat));
        chat->activateWindow();
        QTRY_VERIFY(chat->isActiveWindow());
        auto* ring = chat->findChild<KivFocusRing*>();
        QVERIFY(ring);
        chat->Input()->setFocus(Qt::MouseFocusReason);
        QVERIFY(!ring->Target());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_VERIFY(ring->Target());
        QVERIFY(ring->geometry().contains(
            ring->Target()->mapTo(chat, ring->Target()->rect().center())));
        QTest::mouseClick(chat->Input()->viewport(), Qt::LeftButton);
        QTRY_VERIFY(!ring->Target());
    }

    // Tab itself, pressed round the window, reaches every control.
    static void expectInTabCycle(QWidget* window) {
        window->activateWindow();
        QTRY_VERIFY(window->isActiveWindow());
        const QStringList out = KivAccessibleAudit::OutOfTabCycle(window);
        if (!out.isEmpty())
            qWarning().noquote() << window->objectName() << "missed by Tab:" << out.join(", ");
        QVERIFY2(out.isEmpty(), qPrintable(out.join(", ")));
    }

    void chatWindow() {
        logIn();
        CKivIMChatDlg* chat = m_window->ChatDialog(10002);
        chat->show();
        QVERIFY(QTest::qWaitForWindowExposed(chat));
        chat->ShowFriendMessage(QStringLiteral("你好"));
        chat->ShowFriendMessage(QStringLiteral("看 http://example.com 这里"));
        chat->History()->addChatMessage(QStringLiteral("好的"), true);
        expectNamed(chat);
        expectReachable(chat);
        expectInTabCycle(chat);
        // The tool buttons are met from left to right, as they stand.
        QList<QWidget*> tools;
        for (QWidget* widget : KivAccessibleAudit::TabCycle(chat)) {
            if (widget->parentWidget() == chat->CallButton()->parentWidget() &&
                widget->y() == chat->CallButton()->y())
                tools << widget;
        }
        QVERIFY(tools.contains(chat->CallButton()));
        for (int i = 1; i < tools.size(); ++i)
            QVERIFY2(tools[i - 1]->x() < tools[i]->x(), qPrintable(tools[i]->objectName()));
        chat->HistoryClick();
        QTRY_VERIFY(chat->Record()->isVisible());
        expectNamed(chat);
        expectReachable(chat);
        expectInTabCycle(chat);
        // The search field stands above the record it searches.
        const QList<QWidget*> cycle = KivAccessibleAudit::TabCycle(chat);
        const int field = cycle.indexOf(chat->Record()->findChild<QWidget*>("chatSearchField"));
        QVERIFY(field >= 0 && field + 1 < cycle.size());
        QCOMPARE(cycle[field + 1]->objectName(), chat->Record()->List()->objectName());
        chat->onFaceDialogShow();
        QTRY_VERIFY(chat->FacePicker()->isVisible());
        expectNamed(chat->FacePicker());
    }

    void settingsDialog() {
        logIn();
        CKivFriendSysSettingDlg dialog(nullptr, KivTestMainWindow::Session());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* pages = dialog.findChild<QStackedWidget*>();
        QVERIFY(pages);
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            expectNamed(&dialog);
            expectReachable(&dialog);
        }
        expectTexts(&dialog, {QStringLiteral("常规设置"), QStringLiteral("热键设置"),
                              QStringLiteral("声音设置"), QStringLiteral("历史记录"),
                              QStringLiteral("网络连接"), QStringLiteral("软件更新"),
                              QStringLiteral("界面语言"), QStringLiteral("不使用代理")});
        // Language names read the same in every language.
        const QSet<QString> shown = Texts(&dialog);
        QVERIFY(shown.contains(QStringLiteral("中文")) &&
                shown.contains(QStringLiteral("English")));
    }

    // The registration and recovery dialogs: every field named, Tab goes
    // down the form and then to the title bar, and Esc closes like the close
    // button, so the login dialog hears of it.
    void accountDialogs() {
        const std::unique_ptr<CKivSession> session = KivNewTestSession();
        kivRegisterDlg registration(nullptr, *session);
        kivRecoverPassworddlg recovery(nullptr, *session);
        expectTexts(
            &registration,
            {QStringLiteral("注册"), QStringLiteral("请输入密码"), QStringLiteral("请再次输入密码"),
             QStringLiteral("请输入手机号码"), QStringLiteral("请输入手机验证码")});
        expectTexts(&recovery, {QStringLiteral("找回密码")});
        const std::pair<KivCheckCodeDlg*, const char*> dialogs[] = {{&registration, "b_Submit"},
                                                                    {&recovery, "bSubmit"}};
        for (const auto& [dialog, submit] : dialogs) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            expectNamed(dialog);
            expectReachable(dialog);
            expectInTabCycle(dialog);
            dialog->findChild<QLineEdit*>(QStringLiteral("EditPhoneNumber"))->setFocus();
            QStringList order;
            for (QWidget* widget : KivAccessibleAudit::TabCycle(dialog))
                order.append(widget->objectName());
            const QStringList expected{
                QStringLiteral("EditPhoneNumber"), QStringLiteral("EditPhoneCode"),
                QStringLiteral("b_GetCode"),       QStringLiteral("EditPasswd"),
                QStringLiteral("EditPasswd_2"),    QLatin1String(submit),
                QStringLiteral("bClose"),          QStringLiteral("b_Minimize"),
                QStringLiteral("b_Close")};
            QCOMPARE(order, expected);
            QSignalSpy closed(dialog, &KivCheckCodeDlg::CloseSignal);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!dialog->isVisible());
            QCOMPARE(closed.count(), 1);
        }
    }

    // Named, reached by real Tab presses, and closed by Esc from wherever the
    // focus is.
    static void expectKeyboardWalk(QWidget* dialog) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        expectNamed(dialog);
        expectReachable(dialog);
        expectInTabCycle(dialog);
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus && focus->window() == dialog);
        QTest::keyClick(focus, Qt::Key_Escape);
        QTRY_VERIFY(!dialog->isVisible());
    }

    // The search and the request; Tab starts in the field to type in.
    void addFriendDialogs() {
        logIn();
        KivAddCheckFriendDlg search(nullptr, KivTestMainWindow::Session());
        expectKeyboardWalk(&search);
        CKivIMaddfriendDlg request(nullptr, KivTestMainWindow::Session());
        ADDFriendInfo info;
        info.nickName = QStringLiteral("李四");
        info.account = QStringLiteral("10002");
        info.friendId = 10002;
        request.InitFriendInfo(info);
        request.show();
        QVERIFY(QTest::qWaitForWindowExposed(&request));
        request.activateWindow();
        QTRY_VERIFY(request.isActiveWindow());
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("lineEditVerify"));
        expectKeyboardWalk(&request);
    }

    // Own (every field editable) and a friend's (read-only) profile.
    void profileDialog() {
        logIn();
        for (const int mode : {kivPersonalInfoDlg::OwnMode, kivPersonalInfoDlg::FriendMode}) {
            kivPersonalInfoDlg dialog(nullptr, KivTestMainWindow::Session());
            dialog.showType(mode == kivPersonalInfoDlg::OwnMode ? 10001 : 10002, mode, QString());
            expectKeyboardWalk(&dialog);
            if (QTest::currentTestFailed())
                return;
        }
    }

    // Both pages: the built-in heads are chosen with Space too.
    void headChoiceDialog() {
        logIn();
        for (int head = 0; head < 3; ++head)
            m_tree->addPicture(QStringLiteral("image/head/head_%1.png").arg(head));
        KivIMChoiceHeadDlg builtIn(nullptr, KivTestMainWindow::Session());
        builtIn.show();
        QVERIFY(QTest::qWaitForWindowExposed(&builtIn));
        builtIn.activateWindow();
        QTRY_VERIFY(builtIn.isActiveWindow());
        QList<QWidget*> tiles;
        for (QWidget* widget : KivAccessibleAudit::TabCycle(&builtIn)) {
            if (qobject_cast<CHeadItem*>(widget))
                tiles.append(widget);
        }
        QCOMPARE(tiles.size(), 3);
        // Each tile says which head it is, and the chosen one says so.
        QVERIFY(KivAccessibleAudit::Name(tiles[0]) != KivAccessibleAudit::Name(tiles[1]));
        QVERIFY(KivAccessibleAudit::Description(tiles[1]).isEmpty());
        tiles[1]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(tiles[1], Qt::Key_Space);
        QCOMPARE(builtIn.DefaultPage()->SelectedItem(), tiles[1]);
        QVERIFY(!KivAccessibleAudit::Description(tiles[1]).isEmpty());
        expectKeyboardWalk(&builtIn);

        KivIMChoiceHeadDlg custom(nullptr, KivTestMainWindow::Session());
        custom.CustomBtClicked();
        expectKeyboardWalk(&custom);
    }

    // The windows the accessibility walk does not open: the call request,
    // the game hall, the search over every chat and a message box.
    void smallWindows() {
        ptl_sys_send_per_media media;
        KivInitRecord(media, Media);
        media.callerUid = 10001;
        media.calleeUid = 10002;
        ImMeaidCueDlg cue(media, nullptr);
        expectFit(&cue);
        // The desktop tests find the request window by this title.
        expectTexts(&cue, {QStringLiteral("视频通话请求")});
        KivIMPlayDlg hall(nullptr);
        expectFit(&hall);
        expectTexts(&hall, {QStringLiteral("未下载的游戏"), QStringLiteral("已下载的游戏")});
        KivHistorySearchDlg search;
        expectFit(&search);
        expectTexts(&search, {QStringLiteral("搜索聊天记录")});
        KivFriendMyMessageBoxView box(nullptr);
        box.SetTwoButtons(KivFriendMyMessageBoxView::tr("提示"),
                          QCoreApplication::translate("KivFriendMenu", "您确定要删除该好友吗？"),
                          QCoreApplication::translate("KivFriendMenu", "确定"),
                          QCoreApplication::translate("KivFriendMenu", "取消"));
        expectFit(&box);
        expectTexts(&box, {QStringLiteral("提示"), QStringLiteral("您确定要删除该好友吗？"),
                           QStringLiteral("确定"), QStringLiteral("取消")});
    }
};

KIV_TEST_CLASS(tst_KivAccessibility)
#include "tst_KivAccessibility.moc"
