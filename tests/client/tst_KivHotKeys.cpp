#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QX11Info>
#include <QtTest>

#include "CKivFriendNetModel.h"
#include "KivDataTree.h"
#include "KivHotKey.h"
#include "KivIMMainDlg.h"
#include "KivNativeEvent.h"
#include "KivScreen.h"
#include "KivTestRegistry.h"

namespace {

// Another X client holding a key combination, as a program that took it first.
class OtherProgramGrab {
public:
    OtherProgramGrab(xcb_keysym_t keysym, uint16_t modifiers) {
        m_connection = xcb_connect(nullptr, nullptr);
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        m_keycode = codes ? codes[0] : 0;
        free(codes);
        xcb_key_symbols_free(symbols);
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_modifiers = modifiers;
        xcb_void_cookie_t cookie =
            xcb_grab_key_checked(m_connection, 1, m_root, modifiers, m_keycode, XCB_GRAB_MODE_ASYNC,
                                 XCB_GRAB_MODE_ASYNC);
        m_ok = xcb_request_check(m_connection, cookie) == nullptr;
    }
    ~OtherProgramGrab() {
        xcb_ungrab_key(m_connection, m_keycode, m_root, m_modifiers);
        xcb_disconnect(m_connection);
    }
    bool ok() const { return m_ok && m_keycode != 0; }

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_keycode_t m_keycode = 0;
    uint16_t m_modifiers = 0;
    bool m_ok = false;
};

}  // namespace

class tst_KivHotKeys : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (!QX11Info::isPlatformX11() || !KivScreen::Available())
            QSKIP("needs an X display with xdotool");
    }

    void takenCombinationFails() {
        KivDataTree tree;
        OtherProgramGrab other(xcb_keysym_t(0x006b), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
        QVERIFY(other.ok());
        KivIMMainDlg window(nullptr);
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
};

KIV_TEST_CLASS(tst_KivHotKeys)
#include "tst_KivHotKeys.moc"
