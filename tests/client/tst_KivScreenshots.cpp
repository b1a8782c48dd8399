#include <QListView>
#include <QX11Info>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivDataTree.h"
#include "KivMainWindowLogin.h"
#include "KivScreen.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "contacts/CKivFriendSysSettingDlg.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "shell/MyListModel.h"
#include "support/KivFonts.h"

// The main window of a real session on the development server, page by page,
// and the message box, saved as pictures to look at.
class tst_KivScreenshots : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!QX11Info::isPlatformX11())
            QSKIP("needs an X display");
        KivFonts::Install();
    }

    void mainWindowPages() {
        CKivDevServerProcess server;
        QVERIFY(server.start());
        KivDataTree tree(server.tcpPort(), server.httpPort());
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();

        const std::unique_ptr<CKivSession> windowSession = KivNewTestSession();

        KivIMMainDlg window(nullptr, *windowSession);
        net->SetServerIP_And_Port("127.0.0.1", server.tcpPort());
        QVERIFY(KivMainWindowLogin::LogIn(window, QStringLiteral("10001"), [&window] {
            window.m_settings[QStringLiteral("MarginHide")] = 0;
        }));
        window.move(100, 40);
        window.show();
        QTRY_COMPARE(window.Friends().size(), size_t(3));
        QTRY_VERIFY(window.Vips().size() > 0);
        // The offline messages of the demo account arrive and wait.
        QTRY_VERIFY(window.UnreadList().size() >= 2);
        QTest::qWait(300);

        struct Page {
            void (KivIMMainDlg::*tab)();
            void (KivIMMainDlg::*show)();
            const char* file;
        };
        const Page pages[] = {
            {&KivIMMainDlg::mBfriendDlgClicked, &KivIMMainDlg::changeDlgForFriendList,
             "main-friends.png"},
            {&KivIMMainDlg::mBchatDlgClicked, &KivIMMainDlg::changeDlgForChat, "main-recent.png"},
            {&KivIMMainDlg::mBgameDlgClicked, &KivIMMainDlg::changeDlgForGame, "main-vip.png"},
        };
        for (const Page& page : pages) {
            (window.*page.tab)();
            (window.*page.show)();
            QTest::qWait(150);
            const QImage shot = window.grab().toImage();
            QVERIFY(KivScreen::Save(shot, QString::fromLatin1(page.file)));
        }
        QCOMPARE(window.PageModel(KivIMMainDlg::ChatPage)->rowCount(), 2);

        KivFriendMyMessageBoxView box(&window);
        // The delete confirmation of the friend menu, in the run's language.
        box.SetTwoButtons(KivFriendMyMessageBoxView::tr("提示"),
                          QCoreApplication::translate("KivFriendMenu", "您确定要删除该好友吗？"),
                          QCoreApplication::translate("KivFriendMenu", "确定"),
                          QCoreApplication::translate("KivFriendMenu", "取消"));
        box.show();
        QTest::qWait(150);
        QVERIFY(KivScreen::Save(box.grab().toImage(), QStringLiteral("message-box.png")));
        box.hide();

        // The settings' first page, with the interface language.
        window.b_SetClicked();
        QWidget* settings = window.SettingsDialog();
        QVERIFY(QTest::qWaitForWindowExposed(settings));
        QTest::qWait(150);
        QVERIFY(
            KivScreen::Save(settings->grab().toImage(), QStringLiteral("settings-general.png")));
        settings->hide();

        net->Delete_Socket();
        KivIMMainDlg::mainDlg = nullptr;
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    }
};

KIV_TEST_CLASS(tst_KivScreenshots)
#include "tst_KivScreenshots.moc"
