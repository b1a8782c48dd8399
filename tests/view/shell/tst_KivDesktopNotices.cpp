#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivLoggedInSession.h"
#include "KivTestMainWindow.h"
#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "chat/CKivIMChatDlg.h"
#include "contacts/CKivIMaddfriendTipDlg.h"
#include "shell/KivIMMainDlg.h"
#include "shell/KivMessageNotices.h"

namespace {

const char* const kBusName = "kiv-fake-notices";

// The desktop's notification service as the tests play it, on a connection
// of its own: it records every call and says what it shows.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice {
        uint id = 0;
        uint replaces = 0;
        QString summary;
        QString body;
        QStringList actions;
    };
    QList<Notice> calls;
    QList<uint> closed;
    QStringList capabilities{QStringLiteral("body"), QStringLiteral("actions")};

    // Registers on the session bus; false when something else owns the name.
    bool Register() {
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QLatin1String(kBusName));
        return bus.registerObject(
                   QStringLiteral("/org/freedesktop/Notifications"), this,
                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
               bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    static void Unregister() {
        QDBusConnection bus{QString::fromLatin1(kBusName)};
        if (!bus.isConnected())
            return;
        bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QLatin1String(kBusName));
    }
    // The notices on screen now, by id: the newest text each.
    QMap<uint, Notice> Shown() const {
        QMap<uint, Notice> shown;
        for (const Notice& notice : calls) {
            if (!closed.contains(notice.id))
                shown.insert(notice.id, notice);
        }
        return shown;
    }
    const Notice* BySummary(const QString& summary) const {
        for (auto it = calls.crbegin(); it != calls.crend(); ++it) {
            if (it->summary == summary && !closed.contains(it->id))
                return &*it;
        }
        return nullptr;
    }
    void Click(uint id) { emit ActionInvoked(id, QStringLiteral("default")); }

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int) {
        const uint id = replaces != 0 ? replaces : m_next++;
        calls.append({id, replaces, summary, body, actions});
        return id;
    }
    void CloseNotification(uint id) {
        closed.append(id);
        emit NotificationClosed(id, 3);
    }

signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    uint m_next = 1;
};

}  // namespace

// Desktop notices from the main window, against a notification service of the
// test's own on a private session bus.
class tst_KivDesktopNotices : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<KivIMMainDlg> m_window;
    std::unique_ptr<FakeNotifications> m_service;

    void startService(bool markup = false) {
        m_service = std::make_unique<FakeNotifications>();
        if (markup)
            m_service->capabilities.append(QStringLiteral("body-markup"));
        QVERIFY(m_service->Register());
    }
    // A session's main window with two friends, as the login dialog fills it.
    void logIn() {
        m_window = KivTestMainWindow::LogIn(
            {{10002, QStringLiteral("李四")}, {10003, QStringLiteral("<i>王五</i>")}});
    }
    void receive(Uint32 from, const QByteArray& text) {
        const qint64 id = KivTestMainWindow::StoreReceived(from, text);
        QVERIFY(id != 0);
        m_window->ChatMessageStored(from, id, text);
    }

private slots:
    void initTestCase() {
        // Only on the private bus the test runs on; a desktop's own service
        // must not be taken over.
        if (qEnvironmentVariableIsEmpty("KIV_PRIVATE_SESSION_BUS") ||
            !QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a private session bus (the tst_kivView_notices run)");
    }
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        QVERIFY(KivTestMainWindow::OpenDatabase());
    }
    void cleanup() {
        m_window.reset();
        FakeNotifications::Unregister();
        m_service.reset();
        KivTestMainWindow::LogOut(m_window, m_tree);
    }

    // A burst from two friends: two notices, each updated in place to the
    // newest text, never one per message.
    void oneNoticePerFriend() {
        startService();
        logIn();
        for (int i = 0; i < 30; ++i)
            receive(i % 3 == 0 ? 10003 : 10002, QByteArray("消息") + QByteArray::number(i));
        QTRY_COMPARE(m_service->Shown().size(), 2);
        QTRY_VERIFY(m_service->BySummary(QStringLiteral("李四")) &&
                    m_service->BySummary(QStringLiteral("李四"))->body == "消息29");
        QTRY_VERIFY(m_service->BySummary(QStringLiteral("<i>王五</i>")) &&
                    m_service->BySummary(QStringLiteral("<i>王五</i>"))->body == "消息27");
        QVERIFY(m_service->calls.size() < 30);
        for (const auto& notice : std::as_const(m_service->calls)) {
            QVERIFY(notice.replaces == 0 || notice.replaces == notice.id);
            QCOMPARE(notice.actions.value(0), QStringLiteral("default"));
        }
        QCOMPARE(m_window->Notices()->IsShown(10002), true);
    }

    // The body is the first line, shown as written: a service that reads
    // markup gets it escaped, one that does not gets it untouched.
    void textStaysPlain_data() {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("body");
        QTest::newRow("markup service")
            << true << QByteArray("<b>粗</b> & <a href='x'>链接</a>\n第二行")
            << QStringLiteral("&lt;b&gt;粗&lt;/b&gt; &amp; &lt;a href='x'&gt;链接&lt;/a&gt;");
        QTest::newRow("plain service") << false << QByteArray("<b>粗</b> & [微笑]\r\n第二行")
                                       << QStringLiteral("<b>粗</b> & [微笑]");
        QTest::newRow("blank first line")
            << false << QByteArray("\n  \n 第三行 ") << QStringLiteral("第三行");
    }
    void textStaysPlain() {
        QFETCH(bool, markup);
        QFETCH(QByteArray, text);
        QFETCH(QString, body);
        startService(markup);
        logIn();
        receive(10003, text);
        QTRY_COMPARE(m_service->calls.size(), 1);
        QCOMPARE(m_service->calls[0].body, body);
        QCOMPARE(m_service->calls[0].summary, QStringLiteral("<i>王五</i>"));
    }

    void longLineIsCut() {
        QCOMPARE(KivMessageNotices::FirstLine(QString(300, QChar(0x4e2d))).size(),
                 KivMessageNotices::kMaxBody);
        const QString faces = QString::fromUtf8("😀").repeated(100);
        const QString cut = KivMessageNotices::FirstLine(faces);
        QVERIFY(cut.size() <= KivMessageNotices::kMaxBody);
        QVERIFY(!cut.at(cut.size() - 2).isHighSurrogate());
        QCOMPARE(KivMessageNotices::FirstLine(QStringLiteral("a\tb\x01")), QStringLiteral("ab"));
    }

    // The active chat needs no notice; opening a chat takes its notice down;
    // a click on a notice opens its chat.
    void activeChatAndClicks() {
        startService();
        logIn();
        receive(10002, "第一条");
        QTRY_COMPARE(m_service->calls.size(), 1);
        const uint id = m_service->calls[0].id;

        m_service->Click(id);
        QTRY_VERIFY(m_window->HasChatDialog(10002) && m_window->ChatDialog(10002)->isVisible());
        QTRY_VERIFY(m_service->closed.contains(id));
        CKivIMChatDlg* dialog = m_window->ChatDialog(10002);
        dialog->activateWindow();
        QTRY_VERIFY(dialog->isActiveWindow());
        receive(10002, "看得见");
        // Another friend's notice marks the moment the first would have come.
        receive(10003, "另一位");
        QTRY_VERIFY(m_service->BySummary(QStringLiteral("<i>王五</i>")));
        QCOMPARE(m_service->calls.size(), 2);

        m_window->DClickedForRow(1, false);
        QTRY_COMPARE(m_service->Shown().size(), 0);
    }

    // "新消息桌面通知" off: nothing goes to the desktop; on again: it does.
    void settingRespected() {
        startService();
        logIn();
        m_window->m_settings[QStringLiteral("DesktopNotify")] = 0;
        receive(10002, "不打扰");
        QTest::qWait(300);
        QVERIFY(m_service->calls.isEmpty());
        m_window->m_settings[QStringLiteral("DesktopNotify")] = 1;
        receive(10002, "打扰");
        QTRY_COMPARE(m_service->calls.size(), 1);
        QCOMPARE(m_service->calls[0].body, QStringLiteral("打扰"));
    }

    // No service on the bus: messages are taken as ever, nothing waits.
    void withoutAService() {
        logIn();
        for (int i = 0; i < 5; ++i)
            receive(10002, "没有服务");
        QTRY_VERIFY(!m_window->UnreadList().isEmpty());
        QTRY_VERIFY(!m_window->Notices()->IsShown(10002));
    }

    // A real login: what waited while away (the demo's two friends' messages
    // and a friend request) is announced once each; a click on the request
    // opens the request list.
    void loginAnnouncesWhatWaited() {
        cleanup();
        startService();
        KivLoggedInSession session;
        QVERIFY(session.start());
        QTRY_VERIFY_WITH_TIMEOUT(m_service->Shown().size() == 3, 10000);
        uint request = 0;
        for (const auto& notice : m_service->Shown()) {
            if (notice.body.startsWith(QStringLiteral("请求添加您为好友")))
                request = notice.id;
        }
        QVERIFY(request != 0);
        m_service->Click(request);
        CKivIMaddfriendTipDlg* list = session.mainWindow()->findChild<CKivIMaddfriendTipDlg*>();
        QVERIFY(list);
        QTRY_VERIFY(list->isVisible());
        QCOMPARE(list->Cards().size(), size_t(1));
        FakeNotifications::Unregister();
        m_service.reset();
    }
};

KIV_TEST_CLASS(tst_KivDesktopNotices)
#include "tst_KivDesktopNotices.moc"
