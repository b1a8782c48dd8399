#include <QCryptographicHash>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CPulseDevices.h"
#include "CallViewCallRig.h"
#include "KivChatRows.h"
#include "KivScreen.h"
#include "KivSwayDesktop.h"
#include "KivTestRegistry.h"

namespace {

using KivSwayDesktop::Window;

const QStringList kOnWayland = {QStringLiteral("QT_QPA_PLATFORM="),
                                QStringLiteral("KIV_PLATFORM=")};

// Waits for a window of the process whose title matches.
Window WaitFor(qint64 pid, const QString& title, int timeoutMs = 20000) {
    Window found;
    (void)QTest::qWaitFor(
        [&] { return !(found = KivSwayDesktop::Find(pid, title)).title.isEmpty(); }, timeoutMs);
    return found;
}

// The window as the compositor shows it, once it has been drawn.
QImage Shown(const Window& window) {
    QImage shown;
    (void)QTest::qWaitFor(
        [&] {
            shown = KivSwayDesktop::Grab(window.rect);
            return CallViewCallRig::ShowsAPicture(shown);
        },
        10000);
    return shown;
}

QByteArray Digest(const QImage& image) {
    return QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes())),
        QCryptographicHash::Sha1);
}

// Logs in from the login dialog the way a user does with the keyboard: the
// account field has the focus when the dialog opens.
bool LogIn(qint64 pid, const QString& account) {
    const Window dialog = WaitFor(pid, QStringLiteral("Lumo"));
    return !dialog.title.isEmpty() && KivSwayDesktop::Focus(dialog) &&
           KivSwayDesktop::Type({account, QStringLiteral("-k"), QStringLiteral("Tab"),
                                 QStringLiteral("123456"), QStringLiteral("-k"),
                                 QStringLiteral("Return")});
}

// Types a message into the focused chat and sends it with Ctrl+Enter.
bool Say(const Window& chat, const QString& text) {
    return KivSwayDesktop::Focus(chat) &&
           KivSwayDesktop::Type({text, QStringLiteral("-M"), QStringLiteral("ctrl"),
                                 QStringLiteral("-k"), QStringLiteral("Return"),
                                 QStringLiteral("-m"), QStringLiteral("ctrl")});
}

// Clicks the tray icon until the chat with `friendName` is open: each click
// opens the newest waiting conversation.
Window OpenFromTray(qint64 pid, const QString& friendName) {
    for (int click = 0; click < 4; ++click) {
        if (!KivSwayDesktop::ActivateTray(pid)) {
            QTest::qWait(300);
            continue;
        }
        const Window chat = WaitFor(pid, friendName, 3000);
        if (!chat.title.isEmpty()) {
            return chat;
        }
    }
    return {};
}

QList<Window> CallWindows() {
    QList<Window> calls;
    for (const Window& window : KivSwayDesktop::Windows()) {
        if (window.title == QLatin1String("CallView")) {
            calls << window;
        }
    }
    return calls;
}

// The other side's picture moves: two grabs half a second apart differ.
bool RemoteVideoMoves(const Window& call) {
    const QRect remote = CallViewCallRig::kRemotePicture.translated(call.rect.topLeft());
    for (int attempt = 0; attempt < 40; ++attempt) {
        const QImage first = KivSwayDesktop::Grab(remote);
        QTest::qWait(500);
        const QImage second = KivSwayDesktop::Grab(remote);
        if (CallViewCallRig::ShowsAPicture(first) && CallViewCallRig::ShowsAPicture(second) &&
            Digest(first) != Digest(second)) {
            return true;
        }
    }
    return false;
}

}  // namespace

// Two real clients on a Wayland desktop (sway, headless), started the way a
// desktop starts them: they pick Qt's Wayland platform from the session. The
// fixed-size dialogs float at their own size on the tiling compositor, the
// users log in with the keyboard, open chats from the tray, talk both ways
// and call, and the call windows show each other's moving picture.
class tst_WaylandDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !KivSwayDesktop::Available())
            QSKIP("needs the test run's Wayland desktop (scripts/with-wayland)");
    }

    void clientsTalkAndCall() {
        CPulseDevices devices;
        CCallSinks sinks;
        const bool sound = !qEnvironmentVariableIsEmpty("PULSE_SERVER");
        QVERIFY(!sound || devices.AddCallSinks(QStringLiteral("kiv_wl_"), &sinks));
        CKivDevServerProcess server;
        QVERIFY(server.start());
        CallViewCallRig::Client a(server, sinks.micA + QStringLiteral(".monitor"), sinks.spkA,
                                  kOnWayland);
        CallViewCallRig::Client b(server, sinks.micB + QStringLiteral(".monitor"), sinks.spkB,
                                  kOnWayland);

        // The login dialog floats at its own size, drawn.
        QVERIFY(b.start());
        const Window login = WaitFor(b.pid(), QStringLiteral("Lumo"));
        QVERIFY2(!login.title.isEmpty(), "no login dialog on the Wayland desktop");
        QVERIFY(login.floating);
        QCOMPARE(login.rect.size(), QSize(430, 330));
        QVERIFY(KivScreen::Save(Shown(login), QStringLiteral("wayland-login.png")));
        QVERIFY(LogIn(b.pid(), QStringLiteral("10002")));
        const Window mainB = WaitFor(b.pid(), QStringLiteral("Lumo - 李四"));
        QVERIFY2(!mainB.title.isEmpty(), "李四 did not log in");

        QVERIFY(a.start());
        QVERIFY(LogIn(a.pid(), QStringLiteral("10001")));
        const Window mainA = WaitFor(a.pid(), QStringLiteral("Lumo - 张三"));
        QVERIFY2(!mainA.title.isEmpty(), "张三 did not log in");
        // The demo user's waiting friend request comes first; Esc closes it.
        const Window requests =
            WaitFor(a.pid(), QStringLiteral("下面联系人请求添加你为好友"), 8000);
        if (!requests.title.isEmpty()) {
            QVERIFY(KivSwayDesktop::Focus(requests));
            QVERIFY(KivSwayDesktop::Type({QStringLiteral("-k"), QStringLiteral("Escape")}));
            QTRY_VERIFY_WITH_TIMEOUT(KivSwayDesktop::Find(a.pid(), requests.title).title.isEmpty(),
                                     5000);
        }
        QVERIFY(KivScreen::Save(Shown(KivSwayDesktop::Find(a.pid(), mainA.title)),
                                QStringLiteral("wayland-main.png")));

        // 张三 opens the waiting chat of 李四 from the tray and writes.
        const Window chatA = OpenFromTray(a.pid(), QStringLiteral("李四"));
        QVERIFY2(!chatA.title.isEmpty(), "the tray did not open the chat with 李四");
        QVERIFY(chatA.floating);
        const QString hello = QStringLiteral("hello from wayland");
        QVERIFY(Say(chatA, hello));
        const QVariantList helloRow = {hello + QStringLiteral("%")};
        QTRY_COMPARE_WITH_TIMEOUT(
            KivChatRows::Count(b.treePath(), QStringLiteral("10002"),
                               QStringLiteral("senderuid=10001 and message like ?"), helloRow),
            1, 15000);

        // 李四's tray flashes; a click opens the chat, and the answer goes back.
        const Window chatB = OpenFromTray(b.pid(), QStringLiteral("张三"));
        QVERIFY2(!chatB.title.isEmpty(), "the tray did not open the chat with 张三");
        const QString answer = QStringLiteral("answer over wayland");
        QVERIFY(Say(chatB, answer));
        QTRY_COMPARE_WITH_TIMEOUT(
            KivChatRows::Count(a.treePath(), QStringLiteral("10001"),
                               QStringLiteral("senderuid=10002 and message like ?"),
                               {answer + QStringLiteral("%")}),
            1, 15000);
        QVERIFY(KivScreen::Save(KivSwayDesktop::Grab(), QStringLiteral("wayland-chat.png")));

        // 张三 calls: Shift+Tab from the message goes back along the tool row
        // (history, file, screenshot) to the call button.
        QVERIFY(KivSwayDesktop::Focus(KivSwayDesktop::Find(a.pid(), chatA.title)));
        QVERIFY(KivSwayDesktop::Type(
            {QStringLiteral("-M"), QStringLiteral("shift"), QStringLiteral("-k"),
             QStringLiteral("Tab"), QStringLiteral("-k"), QStringLiteral("Tab"),
             QStringLiteral("-k"), QStringLiteral("Tab"), QStringLiteral("-k"),
             QStringLiteral("Tab"), QStringLiteral("-m"), QStringLiteral("shift"),
             QStringLiteral("-k"), QStringLiteral("space")}));
        const Window cue = WaitFor(b.pid(), QStringLiteral("视频通话请求"));
        QVERIFY2(!cue.title.isEmpty(), "李四 was not asked to take the call");
        QVERIFY(KivSwayDesktop::Focus(cue));
        QVERIFY(KivSwayDesktop::Type({QStringLiteral("-k"), QStringLiteral("space")}));
        QTRY_COMPARE_WITH_TIMEOUT(CallWindows().size(), 2, 40000);
        const QList<Window> calls = CallWindows();
        QTest::qWait(1500);
        QVERIFY(KivScreen::Save(KivSwayDesktop::Grab(), QStringLiteral("wayland-call.png")));
        QVERIFY2(RemoteVideoMoves(calls[0]), "the first call window's picture does not move");
        QVERIFY2(RemoteVideoMoves(calls[1]), "the second call window's picture does not move");
    }
};

KIV_TEST_CLASS(tst_WaylandDesktop)
#include "tst_WaylandDesktop.moc"
