#include "xdg/KivShortcutPortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QTimer>

#include <memory>

#include "KivHotKey.h"
#include "xdg/KivGlobalShortcutsProxy.h"
#include "xdg/KivPortalRequest.h"

// One entry of BindShortcuts' list: a(sa{sv}).
struct KivPortalShortcut {
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(KivPortalShortcut)

QDBusArgument& operator<<(QDBusArgument& argument, const KivPortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, KivPortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace {

const QString kDesktop = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kDesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kIdPrefix = QStringLiteral("kiv-hotkey-");
// The portal is started on demand by the bus; a desktop that has not
// answered by then is taken to have no global shortcuts.
constexpr int kAvailableTimeoutMs = 3000;

// Portals name the session as a string or as an object path.
QString PathText(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

}  // namespace

KivShortcutPortal::KivShortcutPortal(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus) {
    qDBusRegisterMetaType<KivPortalShortcut>();
    qDBusRegisterMetaType<QList<KivPortalShortcut>>();
}

KivShortcutPortal::~KivShortcutPortal() {
    CloseSession();
}

bool KivShortcutPortal::Available() {
    if (m_available)
        return *m_available;
    m_available = false;
    if (!m_bus.isConnected())
        return false;
    QDBusMessage ask = QDBusMessage::createMethodCall(
        kDesktop, kDesktopPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    ask << kInterface << QStringLiteral("version");
    // A portal without the interface answers with an error.
    const QDBusMessage reply = m_bus.call(ask, QDBus::Block, kAvailableTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return false;
    m_available = true;
    m_proxy = new KivGlobalShortcutsProxy(m_bus, this);
    connect(m_proxy, &KivGlobalShortcutsProxy::Activated, this,
            [this](const QDBusObjectPath& session, const QString& shortcut) {
                if (m_session.isEmpty() || session.path() != m_session ||
                    !shortcut.startsWith(kIdPrefix))
                    return;
                bool ok = false;
                const int id = shortcut.mid(kIdPrefix.size()).toInt(&ok);
                if (ok && m_wanted.count(id) != 0)
                    emit Activated(id);
            });
    return true;
}

QString KivShortcutPortal::TriggerText(unsigned modifiers, unsigned virtualKey) {
    QString key;
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
        key = QChar(char16_t(virtualKey));
    } else if (virtualKey >= KivHotKey::kVirtualKeyF1 &&
               virtualKey < KivHotKey::kVirtualKeyF1 + 12) {
        key = QStringLiteral("F%1").arg(virtualKey - KivHotKey::kVirtualKeyF1 + 1);
    } else {
        return QString();
    }
    QString text;
    if (modifiers & KivHotKey::ModControl)
        text += QLatin1String("CTRL+");
    if (modifiers & KivHotKey::ModAlt)
        text += QLatin1String("ALT+");
    if (modifiers & KivHotKey::ModShift)
        text += QLatin1String("SHIFT+");
    return text + key;
}

QString KivShortcutPortal::ShortcutId(int id) {
    return kIdPrefix + QString::number(id);
}

bool KivShortcutPortal::Register(int id, unsigned modifiers, unsigned virtualKey,
                                 const QString& description) {
    const QString trigger = TriggerText(modifiers, virtualKey);
    if (trigger.isEmpty())
        return false;
    if (!Available())
        return true;
    m_wanted[id] = Shortcut{trigger, description.isEmpty() ? trigger : description};
    ScheduleBind();
    return true;
}

void KivShortcutPortal::Unregister(int id) {
    if (m_wanted.erase(id) != 0)
        ScheduleBind();
}

void KivShortcutPortal::ScheduleBind() {
    // Callers change several keys in a row; the portal sees the result once.
    if (m_bindScheduled)
        return;
    m_bindScheduled = true;
    QTimer::singleShot(0, this, &KivShortcutPortal::Bind);
}

void KivShortcutPortal::Bind() {
    m_bindScheduled = false;
    if (m_busy) {
        m_changed = true;
        return;
    }
    CloseSession();
    if (m_wanted.empty())
        return;
    m_busy = true;
    const QString token = KivPortalRequest::NewToken();
    const QVariantMap options{
        {QStringLiteral("handle_token"), token},
        {QStringLiteral("session_handle_token"), KivPortalRequest::NewToken()}};
    Ask(QStringLiteral("CreateSession"), {options}, token,
        [this](uint response, const QVariantMap& results) {
            const QString session = PathText(results.value(QStringLiteral("session_handle")));
            if (response != 0 || session.isEmpty()) {
                qWarning("the desktop portal made no session for the hot keys (answer %u)",
                         response);
                Settled();
                return;
            }
            m_session = session;
            if (m_changed) {
                Settled();
                return;
            }
            BindShortcuts();
        });
}

void KivShortcutPortal::BindShortcuts() {
    QList<KivPortalShortcut> shortcuts;
    for (const auto& [id, shortcut] : m_wanted) {
        shortcuts.append({ShortcutId(id),
                          {{QStringLiteral("description"), shortcut.description},
                           {QStringLiteral("preferred_trigger"), shortcut.trigger}}});
    }
    const QString token = KivPortalRequest::NewToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token}};
    // No parent window: the settings may be applied with no window of ours shown.
    Ask(QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString(),
         options},
        token, [this](uint response, const QVariantMap&) {
            if (response != 0)
                qWarning("the hot keys were not bound on the desktop (answer %u)", response);
            Settled();
        });
}

void KivShortcutPortal::Settled() {
    m_busy = false;
    if (m_changed) {
        m_changed = false;
        Bind();
    }
}

void KivShortcutPortal::CloseSession() {
    if (m_session.isEmpty())
        return;
    // Closing lets the desktop drop the keys; nothing waits for its reply.
    m_bus.send(QDBusMessage::createMethodCall(kDesktop, m_session,
                                              QStringLiteral("org.freedesktop.portal.Session"),
                                              QStringLiteral("Close")));
    m_session.clear();
}

void KivShortcutPortal::Ask(const QString& method, const QVariantList& arguments,
                            const QString& token, Answer answered) {
    auto* request = new KivPortalRequest(KivPortalRequest::PathFor(m_bus, token), m_bus, this);
    auto finish = std::make_shared<Answer>(std::move(answered));
    const auto once = [request, finish](uint response, const QVariantMap& results) {
        if (!*finish)
            return;
        const Answer answer = std::move(*finish);
        *finish = nullptr;
        request->deleteLater();
        answer(response, results);
    };
    connect(request, &KivPortalRequest::Response, this, once);
    auto* call =
        new QDBusPendingCallWatcher(m_proxy->asyncCallWithArgumentList(method, arguments), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [once, method](QDBusPendingCallWatcher* watcher) {
                watcher->deleteLater();
                if (watcher->isError()) {
                    qWarning("the desktop portal refused %s: %s", qPrintable(method),
                             qPrintable(watcher->error().message()));
                    once(2, {});
                }
            });
}
