#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTcpServer>
#include <QtTest>

#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
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
#include "contacts/CKivFriendSysSettingDlg.h"
#include "shell/ImMeaidCueDlg.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/KivHistorySearchDlg.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "shell/KivIMPlayDlg.h"

namespace {

// Every text a window shows: its title, labels, buttons, placeholders, the
// items of its combo boxes, and the names a screen reader reads.
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

// The texts users and the other programs' checks know the windows by. In
// Chinese they are exactly these, with no translation file; in English none
// of them is left untranslated (a text filed under the wrong context would be).
class tst_KivInterfaceTexts : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<KivIMMainDlg> m_window;

    static void expectFit(QWidget* window) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QStringList unfit = KivTextFit::Problems(window);
        QVERIFY2(unfit.isEmpty(), qPrintable(unfit.join(QStringLiteral(", "))));
    }
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

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        QVERIFY(KivTestMainWindow::OpenDatabase());
        KivUserSettings::EnsureDefaults(QStringLiteral("tester"));
    }
    void cleanup() { KivTestMainWindow::LogOut(m_window, m_tree); }

    void loginDialog() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nversion=1\n")
                              .arg(server.serverPort())
                              .toLatin1());
        CKivFriendReadConfigModel::ReleaseInstance();
        KivModalCloser closer;
        const std::unique_ptr<CKivSession> session = KivNewTestSession();
        KivIMLoginDlg login(nullptr, *session);
        login.SetLoginDelayMs(0);
        const KivMainWindowGone mainWindowGone;
        login.show();
        QVERIFY(QTest::qWaitForWindowExposed(&login));
        expectTexts(&login,
                    {QStringLiteral("账号"), QStringLiteral("密码"), QStringLiteral("记住密码"),
                     QStringLiteral("自动登入"), QStringLiteral("登  录"),
                     QStringLiteral("注册账号"), QStringLiteral("找回密码")});
        // The failure box other programs' checks read: title and text.
        login.FaildConnectSlot();
        QTRY_COMPARE(closer.texts().size(), 1);
        const QString title = closer.titles().first();
        const QString text = closer.texts().first();
        if (English()) {
            QVERIFY(title != QStringLiteral("提示"));
            QVERIFY(text != QStringLiteral("连接失败，请检查您的网络连接!"));
        } else {
            QCOMPARE(title, QStringLiteral("提示"));
            QCOMPARE(text, QStringLiteral("连接失败，请检查您的网络连接!"));
        }
    }

    void accountDialogs() {
        const std::unique_ptr<CKivSession> session = KivNewTestSession();
        kivRegisterDlg registration(nullptr, *session);
        expectTexts(
            &registration,
            {QStringLiteral("注册"), QStringLiteral("请输入密码"), QStringLiteral("请再次输入密码"),
             QStringLiteral("请输入手机号码"), QStringLiteral("请输入手机验证码")});
        kivRecoverPassworddlg recovery(nullptr, *session);
        expectTexts(&recovery, {QStringLiteral("找回密码")});
    }

    void settingsDialog() {
        m_window = KivTestMainWindow::LogIn({{10002, QStringLiteral("李四")}});
        CKivFriendSysSettingDlg dialog(nullptr, KivTestMainWindow::Session());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        expectTexts(&dialog, {QStringLiteral("常规设置"), QStringLiteral("热键设置"),
                              QStringLiteral("声音设置"), QStringLiteral("历史记录"),
                              QStringLiteral("网络连接"), QStringLiteral("软件更新"),
                              QStringLiteral("界面语言"), QStringLiteral("不使用代理")});
        // Language names read the same in every language.
        const QSet<QString> shown = Texts(&dialog);
        QVERIFY(shown.contains(QStringLiteral("中文")));
        QVERIFY(shown.contains(QStringLiteral("English")));
    }

    void mainWindow() {
        m_window = KivTestMainWindow::LogIn({{10002, QStringLiteral("李四")}});
        expectTexts(m_window.get(), {QStringLiteral("系统设置"), QStringLiteral("查找好友"),
                                     QStringLiteral("好友请求"), QStringLiteral("搜索聊天记录")});
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

KIV_TEST_CLASS(tst_KivInterfaceTexts)
#include "tst_KivInterfaceTexts.moc"
