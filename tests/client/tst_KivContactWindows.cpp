#include <xcb/xcb.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QX11Info>
#include <QtTest>

#include "KivLoggedInSession.h"
#include "KivModalCloser.h"
#include "KivScreen.h"
#include "KivTakenKey.h"
#include "KivTestRegistry.h"
#include "KivUserSettings.h"
#include "contacts/CFriendInfoWnd.h"
#include "contacts/CImageEditWid.h"
#include "contacts/CKivFriendSysSettingDlg.h"
#include "contacts/CKivIMaddfriendDlg.h"
#include "contacts/CKivIMaddfriendTipDlg.h"
#include "contacts/KivAddCheckFriendDlg.h"
#include "contacts/KivAddFriendItem.h"
#include "contacts/KivIMChoiceDefultHeadDlg.h"
#include "contacts/KivIMChoiceHeadDlg.h"
#include "contacts/KivImChoiceCustomHeadDlg.h"
#include "contacts/kivPersonalInfoDlg.h"
#include "shell/CKivFriendKeyPressLineEdit.h"
#include "support/KivFonts.h"

namespace {

void Shoot(QWidget* window, const QString& name) {
    window->move(120, 80);
    window->show();
    window->raise();
    QTest::qWait(250);
    QVERIFY(KivScreen::Save(window->grab().toImage(), name));
}

}  // namespace

// The contact windows on a real X display: the hot-key conflict warning, and
// a picture of every window with the development server's data.
class tst_KivContactWindows : public QObject {
    Q_OBJECT
    std::unique_ptr<KivLoggedInSession> m_session;
    std::unique_ptr<KivModalCloser> m_closer;

private slots:
    void initTestCase() {
        if (!QX11Info::isPlatformX11())
            QSKIP("needs an X display");
        KivFonts::Install();
    }
    void init() {
        m_session = std::make_unique<KivLoggedInSession>();
        QVERIFY(m_session->start());
        m_closer = std::make_unique<KivModalCloser>();
    }
    void cleanup() {
        m_closer.reset();
        m_session.reset();
    }

    void takenHotKeyIsWarnedAndCleared() {
        KivTakenKey taken(xcb_keysym_t(0x006b), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
        QVERIFY(taken.ok());
        KivIMMainDlg* window = m_session->mainWindow();
        CKivFriendSysSettingDlg dialog(nullptr, m_session->session(), [window] {
            window->InitHotKey();
            return window->FailedHotKeys();
        });
        dialog.show();
        auto set = [&dialog](int row, Qt::Key key) {
            dialog.HotKeyCheck(row)->setChecked(true);
            QTest::keyClick(dialog.HotKeyEdit(row), key, Qt::ControlModifier | Qt::AltModifier);
        };
        set(CKivFriendSysSettingDlg::ShowmDlg, Qt::Key_K);
        set(CKivFriendSysSettingDlg::Getmsg, Qt::Key_J);
        dialog.findChild<QPushButton*>(QStringLiteral("pushButtonApp"))->click();
        QTRY_VERIFY(
            m_closer->texts().contains(QStringLiteral("\"显示主窗口\"快捷键与系统快捷键冲突")));
        QVERIFY(!dialog.HotKeyCheck(CKivFriendSysSettingDlg::ShowmDlg)->isChecked());
        QVERIFY(dialog.HotKeyEdit(CKivFriendSysSettingDlg::ShowmDlg)->text().isEmpty());
        QVERIFY(!dialog.HotKeyEdit(CKivFriendSysSettingDlg::ShowmDlg)->isEnabled());
        QCOMPARE(dialog.HotKeyEdit(CKivFriendSysSettingDlg::Getmsg)->text(),
                 QStringLiteral("Ctrl + Alt + J"));
        const QSettings ini(KivUserSettings::FileFor(QStringLiteral("10001")),
                            QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("/HostKeyName/ShowmDlgName")).toString(), QString());
        QCOMPARE(ini.value(QStringLiteral("/HostKey/ShowmDlg")).toString(), QStringLiteral("0"));
        QCOMPARE(ini.value(QStringLiteral("/HostKeyName/GetmsgName")).toString(),
                 QStringLiteral("Ctrl + Alt + J"));
        KivIMMainDlg* main = m_session->mainWindow();
        QCOMPARE(main->ShowHotKeyId(), 0);
        QVERIFY(main->GetMsgHotKeyId() != 0);
        // Both taken: one warning names both.
        main->m_hotKeyText[QStringLiteral("GetmsgName")] = QString();
        main->InitHotKey();
        KivTakenKey second(xcb_keysym_t(0x006a), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
        QVERIFY(second.ok());
        set(CKivFriendSysSettingDlg::ShowmDlg, Qt::Key_K);
        set(CKivFriendSysSettingDlg::Getmsg, Qt::Key_J);
        dialog.findChild<QPushButton*>(QStringLiteral("pushButtonApp"))->click();
        QTRY_VERIFY(m_closer->texts().contains(
            QStringLiteral("\"显示主窗口\"、\"提取消息\"快捷键与系统快捷键冲突")));
        main->m_hotKeyText.clear();
        main->InitHotKey();
    }

    void screenshotsOfEveryWindow() {
        KivIMMainDlg* main = m_session->mainWindow();
        // Search with a result.
        main->b_CheckClicked();
        KivAddCheckFriendDlg* search = main->CheckFriendDialog();
        QVERIFY(search);
        search->findChild<QLineEdit*>(QStringLiteral("lineEditCheck"))
            ->setText(QStringLiteral("10005"));
        search->CheckBtnClicked();
        QTRY_VERIFY_WITH_TIMEOUT(search->ResultItem(), 10000);
        QTest::qWait(300);
        Shoot(search, QStringLiteral("contacts-search.png"));

        search->ResultItem()->AddBtnClicked();
        CKivIMaddfriendDlg* request = search->ResultItem()->RequestDialog();
        QVERIFY(request);
        request->findChild<QLineEdit*>(QStringLiteral("lineEditVerify"))
            ->setText(QStringLiteral("你好，我是张三，我们在读书会见过"));
        Shoot(request, QStringLiteral("contacts-request.png"));
        request->close();
        search->close();

        // Five waiting requests: two rows of cards.
        QVERIFY(m_session->storeFriendRequest(20001, "陈小春", "你好，想认识一下"));
        QVERIFY(m_session->storeFriendRequest(20002, "林一", "同事，加一下"));
        QVERIFY(m_session->storeFriendRequest(20003, "周末爬山群", ""));
        QVERIFY(m_session->storeFriendRequest(20004, "王老师", "家长会联系"));
        QVERIFY(m_session->storeFriendRequest(20005, "Amy", "hello!"));
        main->getAddFriend();
        QVERIFY(main->AddFriendTip());
        Shoot(main->AddFriendTip(), QStringLiteral("contacts-requests.png"));
        main->AddFriendTip()->hide();

        // Own and friend profiles.
        main->BHead_Clicked();
        kivPersonalInfoDlg* own = main->PersonalInfo(10001);
        QTest::qWait(500);
        Shoot(own, QStringLiteral("contacts-profile-own.png"));
        own->hide();
        kivPersonalInfoDlg* other = main->PersonalInfo(10002);
        other->InitInfo(10002, kivPersonalInfoDlg::FriendMode, QStringLiteral("10002"));
        QTest::qWait(500);
        Shoot(other, QStringLiteral("contacts-profile-friend.png"));
        other->hide();

        // Head choice, both pages, a crop in progress.
        own->HeadClicked();
        KivIMChoiceHeadDlg* head = own->HeadDialog();
        QVERIFY(head);
        head->DefaultPage()->Select(7);
        Shoot(head, QStringLiteral("contacts-head-builtin.png"));
        head->CustomBtClicked();
        QImage picture(640, 420, QImage::Format_RGB32);
        QPainter painter(&picture);
        QLinearGradient sky(0, 0, 0, 420);
        sky.setColorAt(0, QColor(120, 180, 240));
        sky.setColorAt(1, QColor(250, 220, 170));
        painter.fillRect(picture.rect(), sky);
        painter.setBrush(QColor(250, 200, 60));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(420, 150), 70, 70);
        painter.setBrush(QColor(60, 120, 80));
        painter.drawRect(0, 320, 640, 100);
        painter.end();
        picture.save(QStringLiteral("photo.png"));
        QVERIFY(head->CustomPage()->LoadImage(QStringLiteral("photo.png")));
        CImageEditWid* editor = head->CustomPage()->Editor();
        editor->SetSelection(QRectF(150, 40, 110, 110));
        QTest::mousePress(editor, Qt::LeftButton, {}, QPoint(200, 90));
        QTest::mouseRelease(editor, Qt::LeftButton, {}, QPoint(200, 90));
        head->CustomBtClicked();
        Shoot(head, QStringLiteral("contacts-head-custom.png"));
        head->CancelBtClicked();

        // Every settings page.
        main->b_SetClicked();
        CKivFriendSysSettingDlg* settings = main->SettingsDialog();
        QVERIFY(settings);
        const char* buttons[] = {"bConvent",       "bHotkey",     "bVoice",
                                 "bHistoryrecord", "bNetconnect", "bSoftupdate"};
        settings->HotKeyCheck(CKivFriendSysSettingDlg::ShowmDlg)->setChecked(true);
        settings->HotKeyEdit(CKivFriendSysSettingDlg::ShowmDlg)
            ->setText(QStringLiteral("Ctrl + Alt + M"));
        for (int page : {1, 2, 3, 4, 5, 0}) {
            settings->findChild<QPushButton*>(QString::fromLatin1(buttons[page]))->click();
            Shoot(settings, QStringLiteral("contacts-settings-%1.png").arg(page + 1));
        }
        settings->close();
    }
};

KIV_TEST_CLASS(tst_KivContactWindows)
#include "tst_KivContactWindows.moc"
