#include <QPushButton>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QX11Info>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivDataTree.h"
#include "KivMainWindowLogin.h"
#include "KivScreen.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "chat/CChatHistoryList.h"
#include "chat/CChatRecord.h"
#include "chat/CKivIMChatDlg.h"
#include "chat/CKivIMfaceDlg.h"
#include "chat/CKivImChatRecordDlg.h"
#include "chat/KivChatSearchPanel.h"
#include "shell/KivHistorySearch.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "support/KivFonts.h"

namespace {

// The conversation in the run's language, so the English pictures read as
// an English user's would.
QString Sample(const char* chinese, const char* english) {
    return QString::fromUtf8(QLocale().language() == QLocale::English ? english : chinese);
}

}  // namespace

// A chat of the VIP demo user on the development server, saved as pictures:
// bubbles with faces and a gift, the gift picker open, the chat record panel.
class tst_KivChatScreenshots : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!QX11Info::isPlatformX11())
            QSKIP("needs an X display");
        KivFonts::Install();
    }

    void chatDialog() {
        CKivDevServerProcess server;
        QVERIFY(server.start());
        KivDataTree tree(server.tcpPort(), server.httpPort());
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();

        const std::unique_ptr<CKivSession> windowSession = KivNewTestSession();

        KivIMMainDlg window(nullptr, *windowSession);
        net->SetServerIP_And_Port("127.0.0.1", server.tcpPort());
        QVERIFY(KivMainWindowLogin::LogIn(window, QStringLiteral("10003")));
        QTRY_VERIFY(window.Friends().size() > 0);
        QVERIFY(CKivFriendDBModel::GetInstance()->GetVipFlag() != 0);

        CKivIMChatDlg* chat = window.ChatDialog(10001);
        QVERIFY(chat);
        chat->move(120, 60);
        chat->show();
        QVERIFY(QTest::qWaitForWindowExposed(chat));
        chat->ShowFriendMessage(
            Sample("王五，周末一起去爬山吗？[大笑]", "Hiking this weekend? [大笑]"));
        QTextEdit* input = chat->Input();
        input->setPlainText(Sample("好啊！我带上相机", "Sure! I'll bring my camera"));
        QTextCursor cursor = input->textCursor();
        cursor.movePosition(QTextCursor::End);
        QTextImageFormat face;
        face.setName(QStringLiteral("image/face/偷笑.png"));
        face.setWidth(60);
        face.setHeight(60);
        cursor.insertImage(face);
        chat->SendMessage();
        chat->ShowFriendMessage(
            Sample("路线我看好了，详情见 www.example.com/hiking 。早上七点在地铁站集合，别迟到哦。",
                   "I picked the trail, see www.example.com/hiking . Meet at the station at 7, "
                   "don't be late."));

        // A gift from the picker.
        chat->OnVipDialogShow();
        CKivIMfaceDlg* gifts = chat->GiftPicker();
        QVERIFY(QTest::qWaitForWindowExposed(gifts));
        QTest::qWait(200);
        QVERIFY(KivScreen::Save(KivScreen::Grab(), QStringLiteral("chat-gift-picker.png")));
        chat->VipTabelcellClickedSlot(0, 4);
        input->textCursor().insertText(Sample("送你一份礼物", "A gift for you"));
        const float before = CKivFriendDBModel::GetInstance()->GetGiftBalance();
        chat->SendMessage();
        QTRY_COMPARE(CKivFriendDBModel::GetInstance()->GetGiftBalance(), before - 5.0f);
        QTest::qWait(300);
        QVERIFY(KivScreen::Save(chat->grab().toImage(), QStringLiteral("chat-bubbles.png")));

        chat->onFaceDialogShow();
        QVERIFY(QTest::qWaitForWindowExposed(chat->FacePicker()));
        QTest::qWait(200);
        QVERIFY(KivScreen::Save(KivScreen::Grab(), QStringLiteral("chat-face-picker.png")));
        chat->FacePicker()->hide();

        chat->HistoryClick();
        QTRY_VERIFY(chat->Record()->isVisible());
        QTRY_VERIFY(chat->Record()->List()->count() >= 3);
        QTest::qWait(300);
        QVERIFY(KivScreen::Save(chat->grab().toImage(), QStringLiteral("chat-record.png")));
        chat->CloseChatDlg();

        // The search over every conversation, and a hit opened in its record.
        window.HistorySearch()->Show();
        QWidget* search = window.HistorySearch()->Window();
        search->move(60, 60);
        KivChatSearchPanel* panel = window.HistorySearch()->Panel();
        panel->SetQuery(Sample("相机", "camera"));
        QTRY_VERIFY(panel->Hits().size() >= 1);
        QTest::qWait(300);
        QVERIFY(KivScreen::Save(search->grab().toImage(), QStringLiteral("search-all.png")));
        panel->GoTo(0);
        QTRY_VERIFY(chat->isVisible() && chat->Record()->isVisible());
        QTest::qWait(300);
        QVERIFY(KivScreen::Save(chat->grab().toImage(), QStringLiteral("search-record.png")));
        search->hide();
        chat->CloseChatDlg();

        net->Delete_Socket();
        KivIMMainDlg::mainDlg = nullptr;
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    }
};

KIV_TEST_CLASS(tst_KivChatScreenshots)
#include "tst_KivChatScreenshots.moc"
