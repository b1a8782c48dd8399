#include <QLineEdit>
#include <QX11Info>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivDataTree.h"
#include "KivMainWindowLogin.h"
#include "KivModalCloser.h"
#include "KivScreen.h"
#include "KivTestMainWindow.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "chat/CChatHistoryList.h"
#include "chat/CKivIMChatDlg.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "support/KivFonts.h"

namespace {

// The screen's scale as the run sets it (QT_SCALE_FACTOR), for the file names.
QString Scale() {
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR");
    return scale.isEmpty() ? QStringLiteral("1") : scale;
}

// The picture is taken at the screen's density, and every child stays
// inside its window: the layout held.
void Shoot(QWidget* window, const QString& name) {
    QTest::qWait(300);
    const QPixmap shot = window->grab();
    QCOMPARE(shot.devicePixelRatio(), window->devicePixelRatioF());
    QCOMPARE(shot.size(), (QSizeF(window->size()) * window->devicePixelRatioF()).toSize());
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (child->isVisibleTo(window) && child->parentWidget() == window)
            QVERIFY2(window->rect().intersects(child->geometry()), qPrintable(child->objectName()));
    }
    QVERIFY(KivScreen::Save(shot.toImage(), QStringLiteral("scale-%1-%2.png").arg(Scale(), name)));
}

}  // namespace

// The login dialog, the main window and a chat window at the screen's scale:
// run at 1, 1.5 and 2 (QT_SCALE_FACTOR), saved side by side to look at.
class tst_KivScaleScreenshots : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!QX11Info::isPlatformX11())
            QSKIP("needs an X display");
        KivFonts::Install();
    }

    void windowsAtTheScale() {
        CKivDevServerProcess server;
        QVERIFY(server.start());
        KivDataTree tree(server.tcpPort(), server.httpPort());
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        {
            KivModalCloser closer;
            const std::unique_ptr<CKivSession> loginSession = KivNewTestSession();
            KivIMLoginDlg login(nullptr, *loginSession);
            const KivMainWindowGone mainWindowGone;
            login.move(20, 20);
            login.show();
            QVERIFY(QTest::qWaitForWindowExposed(&login));
            login.findChild<QLineEdit*>(QStringLiteral("lineEditPassWd"))
                ->setText(QStringLiteral("123456"));
            Shoot(&login, QStringLiteral("login"));
        }
        net->Delete_Socket();

        const std::unique_ptr<CKivSession> windowSession = KivNewTestSession();

        KivIMMainDlg window(nullptr, *windowSession);
        net->SetServerIP_And_Port("127.0.0.1", server.tcpPort());
        QVERIFY(KivMainWindowLogin::LogIn(window, QStringLiteral("10001"), [&window] {
            window.m_settings[QStringLiteral("MarginHide")] = 0;
        }));
        window.move(20, 40);
        window.show();
        QTRY_COMPARE(window.Friends().size(), size_t(3));
        Shoot(&window, QStringLiteral("main"));

        CKivIMChatDlg* chat = window.ChatDialog(10002);
        chat->move(20, 40);
        chat->show();
        QVERIFY(QTest::qWaitForWindowExposed(chat));
        chat->ShowFriendMessage(QStringLiteral("周末一起去爬山吗？[大笑]"));
        Shoot(chat, QStringLiteral("chat"));
        chat->CloseChatDlg();

        net->Delete_Socket();
        KivIMMainDlg::mainDlg = nullptr;
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    }
};

KIV_TEST_CLASS(tst_KivScaleScreenshots)
#include "tst_KivScaleScreenshots.moc"
