#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include "KivHotKey.h"
#include "KivTestRegistry.h"
#include "xdg/KivShortcutPortal.h"

namespace {

const QString kDesktop = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kDesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// A desktop portal of the test's own, on a connection and thread of its own
// (the client waits for its answer to Available()). It answers the requests
// at once, as a desktop whose user confirms everything would.
class KivFakePortal : public QDBusVirtualObject {
public:
    struct Binding {
        QString session;
        QStringList ids;
        QStringList triggers;
        QStringList descriptions;
    };

    bool offersShortcuts = true;
    // The next so many CreateSession calls fail with an error.
    int refuseSessions = 0;

    QString introspect(const QString&) const override { return QString(); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        QMutexLocker lock(&m_mutex);
        const QString member = message.member();
        if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties") &&
            member == QLatin1String("Get")) {
            const QVariantList args = message.arguments();
            if (offersShortcuts && args.value(0).toString() == kShortcuts)
                return bus.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
            return bus.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"), member));
        }
        if (message.interface() == QLatin1String("org.freedesktop.portal.Session")) {
            m_closed << message.path();
            return bus.send(message.createReply());
        }
        if (message.interface() != kShortcuts || !offersShortcuts)
            return false;
        ++m_calls;
        if (member == QLatin1String("CreateSession")) {
            if (refuseSessions > 0) {
                --refuseSessions;
                return bus.send(message.createErrorReply(
                    QStringLiteral("org.freedesktop.portal.Error.Failed"), member));
            }
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(0));
            const QString session = PathFor(message, QStringLiteral("session"),
                                            options.value(QStringLiteral("session_handle_token")));
            Answer(message, bus, options, {{QStringLiteral("session_handle"), session}});
            return true;
        }
        if (member == QLatin1String("BindShortcuts")) {
            const QVariantList args = message.arguments();
            Binding binding;
            binding.session = qvariant_cast<QDBusObjectPath>(args.value(0)).path();
            const QDBusArgument list = args.value(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString id;
                QVariantMap properties;
                list.beginStructure();
                list >> id >> properties;
                list.endStructure();
                binding.ids << id;
                binding.triggers
                    << properties.value(QStringLiteral("preferred_trigger")).toString();
                binding.descriptions << properties.value(QStringLiteral("description")).toString();
            }
            list.endArray();
            m_bindings << binding;
            Answer(message, bus, qdbus_cast<QVariantMap>(args.value(3)), {});
            return true;
        }
        return false;
    }

    QList<Binding> Bindings() const {
        QMutexLocker lock(&m_mutex);
        return m_bindings;
    }
    QStringList Closed() const {
        QMutexLocker lock(&m_mutex);
        return m_closed;
    }
    int Calls() const {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

private:
    static QString PathFor(const QDBusMessage& message, const QString& kind,
                           const QVariant& token) {
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        return kDesktopPath + QLatin1Char('/') + kind + QLatin1Char('/') + sender +
               QLatin1Char('/') + token.toString();
    }
    // Replies with the request's path, then answers on it.
    static void Answer(const QDBusMessage& message, const QDBusConnection& bus,
                       const QVariantMap& options, const QVariantMap& results) {
        const QString request = PathFor(message, QStringLiteral("request"),
                                        options.value(QStringLiteral("handle_token")));
        bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << 0u << results;
        bus.send(response);
    }

    mutable QMutex m_mutex;
    QList<Binding> m_bindings;
    QStringList m_closed;
    int m_calls = 0;
};

// The fake portal owning the portal's name on the session bus while it lives.
class KivFakeDesktop {
public:
    explicit KivFakeDesktop(bool offersShortcuts)
        : m_name(QStringLiteral("kiv-fake-portal-%1").arg(++s_count)),
          m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_name)) {
        portal.offersShortcuts = offersShortcuts;
        m_bus.registerVirtualObject(kDesktopPath, &portal, QDBusConnection::SubPath);
        m_thread.start();
        portal.moveToThread(&m_thread);
        m_registered = m_bus.registerService(kDesktop);
    }
    ~KivFakeDesktop() {
        m_bus.unregisterService(kDesktop);
        m_bus.unregisterObject(kDesktopPath);
        QDBusConnection::disconnectFromBus(m_name);
        m_thread.quit();
        m_thread.wait();
    }
    bool Registered() const { return m_registered; }

    // The user presses a bound shortcut.
    void Press(const QString& session, const QString& shortcut) {
        QDBusMessage activated =
            QDBusMessage::createSignal(kDesktopPath, kShortcuts, QStringLiteral("Activated"));
        activated << QVariant::fromValue(QDBusObjectPath(session)) << shortcut << qulonglong(1)
                  << QVariantMap();
        m_bus.send(activated);
    }

    KivFakePortal portal;

private:
    static inline int s_count = 0;
    QString m_name;
    QThread m_thread;
    QDBusConnection m_bus;
    bool m_registered = false;
};

}  // namespace

class tst_KivShortcutPortal : public QObject {
    Q_OBJECT
    std::unique_ptr<KivFakeDesktop> m_desktop;

    // Waits until the portal has bound `count` times and returns the last binding.
    KivFakePortal::Binding WaitForBinding(int count) {
        if (!QTest::qWaitFor([&] { return m_desktop->portal.Bindings().size() >= count; }, 5000))
            return {};
        const QList<KivFakePortal::Binding> bindings = m_desktop->portal.Bindings();
        return bindings.size() == count ? bindings.last() : KivFakePortal::Binding();
    }

private slots:
    void triggerText_data() {
        QTest::addColumn<unsigned>("modifiers");
        QTest::addColumn<unsigned>("key");
        QTest::addColumn<QString>("trigger");
        const unsigned f1 = KivHotKey::kVirtualKeyF1;
        QTest::newRow("ctrl alt letter")
            << unsigned(KivHotKey::ModControl | KivHotKey::ModAlt) << unsigned('Z') << "CTRL+ALT+Z";
        QTest::newRow("shift function key") << unsigned(KivHotKey::ModShift) << f1 << "SHIFT+F1";
        QTest::newRow("all three, fixed order")
            << unsigned(KivHotKey::ModShift | KivHotKey::ModAlt | KivHotKey::ModControl)
            << unsigned('7') << "CTRL+ALT+SHIFT+7";
        QTest::newRow("alt digit") << unsigned(KivHotKey::ModAlt) << unsigned('0') << "ALT+0";
        QTest::newRow("function key alone") << 0u << f1 + 11 << "F12";
        QTest::newRow("past F12") << unsigned(KivHotKey::ModControl) << f1 + 12 << QString();
        // Codes of lower-case letters are other keys: 'z' is F11, 'a' has no name.
        QTest::newRow("code of z")
            << unsigned(KivHotKey::ModControl) << unsigned('z') << "CTRL+F11";
        QTest::newRow("code of a") << unsigned(KivHotKey::ModControl) << unsigned('a') << QString();
        QTest::newRow("punctuation")
            << unsigned(KivHotKey::ModControl) << unsigned('!') << QString();
        QTest::newRow("no key") << unsigned(KivHotKey::ModControl) << 0u << QString();
    }
    void triggerText() {
        QFETCH(unsigned, modifiers);
        QFETCH(unsigned, key);
        QFETCH(QString, trigger);
        QCOMPARE(KivShortcutPortal::TriggerText(modifiers, key), trigger);
    }

    void init() {
        if (qEnvironmentVariableIsEmpty("KIV_PRIVATE_SESSION_BUS") ||
            !QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a private session bus (with-private-bus.sh)");
    }
    void cleanup() { m_desktop.reset(); }

    void bindsTheKeysAndReportsTheirPresses() {
        m_desktop = std::make_unique<KivFakeDesktop>(true);
        QVERIFY(m_desktop->Registered());
        KivShortcutPortal portal(QDBusConnection::sessionBus());
        QVERIFY(portal.Available());
        QSignalSpy pressed(&portal, &KivShortcutPortal::Activated);
        QVERIFY(portal.Register(0xC001, KivHotKey::ModControl | KivHotKey::ModAlt, 'Z',
                                QStringLiteral("显示主窗口")));
        QVERIFY(portal.Register(0xC002, KivHotKey::ModShift, KivHotKey::kVirtualKeyF1, {}));
        // A key the portal cannot name is refused, and the others still go.
        QVERIFY(!portal.Register(0xC003, KivHotKey::ModControl, '!', {}));

        // Both keys in one binding of one session.
        const KivFakePortal::Binding binding = WaitForBinding(1);
        QCOMPARE(binding.ids, (QStringList{QStringLiteral("kiv-hotkey-49153"),
                                           QStringLiteral("kiv-hotkey-49154")}));
        QCOMPARE(binding.triggers,
                 (QStringList{QStringLiteral("CTRL+ALT+Z"), QStringLiteral("SHIFT+F1")}));
        QCOMPARE(binding.descriptions,
                 (QStringList{QStringLiteral("显示主窗口"), QStringLiteral("SHIFT+F1")}));
        QVERIFY(binding.session.contains(QLatin1String("/session/")));

        // Presses of other sessions, other programs' shortcuts and keys not
        // held go nowhere; the order of the signals shows they were seen.
        m_desktop->Press(binding.session + QLatin1String("x"), QStringLiteral("kiv-hotkey-49153"));
        m_desktop->Press(binding.session, QStringLiteral("other-49153"));
        m_desktop->Press(binding.session, QStringLiteral("kiv-hotkey-49155"));
        m_desktop->Press(binding.session, QStringLiteral("kiv-hotkey-49154"));
        QTRY_COMPARE(pressed.size(), 1);
        QCOMPARE(pressed.at(0).at(0).toInt(), 0xC002);
    }

    void changedKeysAreBoundInANewSession() {
        m_desktop = std::make_unique<KivFakeDesktop>(true);
        QVERIFY(m_desktop->Registered());
        KivShortcutPortal portal(QDBusConnection::sessionBus());
        QSignalSpy pressed(&portal, &KivShortcutPortal::Activated);
        QVERIFY(portal.Register(1, KivHotKey::ModControl, 'A', {}));
        QVERIFY(portal.Register(2, KivHotKey::ModControl, 'B', {}));
        const QString first = WaitForBinding(1).session;
        QVERIFY(!first.isEmpty());

        portal.Unregister(2);
        // Several changes in a row are bound once.
        portal.Unregister(1);
        QVERIFY(portal.Register(1, KivHotKey::ModAlt, 'C', {}));
        const KivFakePortal::Binding second = WaitForBinding(2);
        QCOMPARE(second.ids, QStringList{QStringLiteral("kiv-hotkey-1")});
        QCOMPARE(second.triggers, QStringList{QStringLiteral("ALT+C")});
        QVERIFY(second.session != first);
        QCOMPARE(m_desktop->portal.Closed(), QStringList{first});

        m_desktop->Press(first, QStringLiteral("kiv-hotkey-1"));
        m_desktop->Press(second.session, QStringLiteral("kiv-hotkey-1"));
        QTRY_COMPARE(pressed.size(), 1);

        // The last key given back closes the session and binds nothing.
        portal.Unregister(1);
        QTRY_COMPARE(m_desktop->portal.Closed().size(), 2);
        QCOMPARE(m_desktop->portal.Closed().last(), second.session);
        QTest::qWait(100);
        QCOMPARE(m_desktop->portal.Bindings().size(), 2);
    }

    void aRefusedSessionDoesNotStopLaterKeys() {
        m_desktop = std::make_unique<KivFakeDesktop>(true);
        m_desktop->portal.refuseSessions = 1;
        KivShortcutPortal portal(QDBusConnection::sessionBus());
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("refused CreateSession")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no session")));
        QVERIFY(portal.Register(1, KivHotKey::ModControl, 'A', {}));
        QTRY_COMPARE(m_desktop->portal.Calls(), 1);
        QVERIFY(portal.Register(2, KivHotKey::ModControl, 'B', {}));
        QCOMPARE(WaitForBinding(1).ids.size(), 2);
    }

    void withoutGlobalShortcutsNothingIsAsked_data() {
        QTest::addColumn<bool>("portalRuns");
        QTest::newRow("portal without the interface") << true;
        QTest::newRow("no portal on the bus") << false;
    }
    void withoutGlobalShortcutsNothingIsAsked() {
        QFETCH(bool, portalRuns);
        if (portalRuns)
            m_desktop = std::make_unique<KivFakeDesktop>(false);
        KivShortcutPortal portal(QDBusConnection::sessionBus());
        QElapsedTimer asked;
        asked.start();
        QVERIFY(!portal.Available());
        QVERIFY(asked.elapsed() < 2000);
        // Nothing is taken, which is not an error.
        QVERIFY(portal.Register(1, KivHotKey::ModControl, 'A', {}));
        portal.Unregister(1);
        QTest::qWait(100);
        if (portalRuns)
            QCOMPARE(m_desktop->portal.Calls(), 0);
    }
};

KIV_TEST_CLASS(tst_KivShortcutPortal)
#include "tst_KivShortcutPortal.moc"
