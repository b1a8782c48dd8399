#include <xcb/xcb.h>

#include <QLabel>
#include <QX11Info>
#include <QtTest>

#include "CKivFriendNetModel.h"
#include "KivDataTree.h"
#include "KivHotKey.h"
#include "KivNativeEvent.h"
#include "KivScreen.h"
#include "KivTakenKey.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "contacts/CKivFriendSysSettingDlg.h"
#include "shell/KivIMMainDlg.h"

class tst_KivHotKeys : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (!QX11Info::isPlatformX11() || !KivScreen::Available())
            QSKIP("needs an X display with xdotool");
    }

    void takenCombinationFails() {
        KivDataTree tree;
        KivTakenKey other(xcb_keysym_t(0x006b), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
        QVERIFY(other.ok());
        const std::unique_ptr<CKivSession> windowSession = KivNewTestSession();
        KivIMMainDlg window(nullptr, *windowSession);
        window.m_hotKeyText[QStringLiteral("ShowmDlgName")] = QStringLiteral("Ctrl + Alt + K");
        QCOMPARE(window.InitHotKey(), -1);
        window.m_hotKeyText[QStringLiteral("ShowmDlgName")] = QStringLiteral("Ctrl + Alt + L");
        QCOMPARE(window.InitHotKey(), 0);
        window.m_hotKeyText[QStringLiteral("ShowmDlgName")] = QString();
        window.InitHotKey();
    }

    void pressedHotKeyReachesTheWindow() {
        KivNativeEvent filter;
        qApp->installNativeEventFilter(&filter);
        const int showId = 0xC101;
        const int nextId = 0xC102;
        QVERIFY(KivHotKey::Register(showId, KivHotKey::ModControl | KivHotKey::ModAlt, 'J'));
        QVERIFY(KivHotKey::Register(nextId, 0, KivHotKey::kVirtualKeyF1 + 8));
        filter.getShowmDlgKeyId(showId);
        filter.getGetmsgHotId(nextId);
        int shown = 0;
        int next = 0;
        QObject scope;
        connect(&filter, &KivNativeEvent::ShowmDlgHotKey, &scope, [&] { ++shown; });
        connect(&filter, &KivNativeEvent::GetMsgHotKey, &scope, [&] { ++next; });

        KivScreen::XDoTool({QStringLiteral("key"), QStringLiteral("ctrl+alt+j")});
        QTRY_COMPARE(shown, 1);
        KivScreen::XDoTool({QStringLiteral("key"), QStringLiteral("F9")});
        QTRY_COMPARE(next, 1);
        // Released keys are the desktop's again.
        KivHotKey::Unregister(showId);
        KivHotKey::Unregister(nextId);
        KivScreen::XDoTool({QStringLiteral("key"), QStringLiteral("ctrl+alt+j")});
        QTest::qWait(300);
        QCOMPARE(shown, 1);
        qApp->removeNativeEventFilter(&filter);
        // An identifier nobody registered is not consumed.
        QVERIFY(!filter.HandleHotKey(0xC1FF));
    }

    // On X11 the keys are grabbed as before and the settings page offers them plainly.
    void x11TakesKeysItself() {
        QCOMPARE(KivHotKey::Available(), KivHotKey::Grabs);
        KivDataTree tree;
        const std::unique_ptr<CKivSession> session = KivNewTestSession();
        CKivFriendSysSettingDlg dialog(nullptr, *session);
        QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("labelHotKeyUnavailable")));
    }
};

KIV_TEST_CLASS(tst_KivHotKeys)
#include "tst_KivHotKeys.moc"
