#include "KivDesktopNotifier.h"

#include "KivNotificationsProxy.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <map>

// One notice as the service knows it. A notice is sent again only after the
// service has answered the last sending with its id, so that an update
// replaces it instead of making a second one.
struct KivNoticeEntry {
    uint id = 0;
    bool inFlight = false;
    bool dirty = false;
    bool withdrawn = false;
    QString title;
    QString body;
    QString icon;
};

class KivDesktopNotifierPrivate {
public:
    explicit KivDesktopNotifierPrivate(KivDesktopNotifier* owner)
        : q(owner), bus(QDBusConnection::sessionBus()) {
        if (bus.isConnected())
            proxy = std::make_unique<KivNotificationsProxy>(bus);
    }

    void AskCapabilities();
    void Send(const QString& key);
    void Answered(const QString& key, QDBusPendingCallWatcher* watcher);
    void Close(uint id);
    QString KeyOf(uint id) const;

    KivDesktopNotifier* q;
    QDBusConnection bus;
    // Null without a session bus, and once the application is gone.
    std::unique_ptr<KivNotificationsProxy> proxy;
    bool capabilitiesKnown = false;
    // Servers that take markup in the body read "<", ">" and "&" as markup.
    bool bodyMarkup = false;
    std::map<QString, KivNoticeEntry> entries;
};

KivDesktopNotifier::KivDesktopNotifier(QObject* parent)
    : QObject(parent), d(std::make_unique<KivDesktopNotifierPrivate>(this)) {
    if (!d->proxy)
        return;
    connect(d->proxy.get(), &KivNotificationsProxy::ActionInvoked, this,
            [this](uint id, const QString& action) {
                const QString key = d->KeyOf(id);
                if (key.isEmpty() || action != QLatin1String("default"))
                    return;
                d->entries.erase(key);
                d->Close(id);
                emit Clicked(key);
            });
    connect(d->proxy.get(), &KivNotificationsProxy::NotificationClosed, this,
            [this](uint id, uint) {
                const QString key = d->KeyOf(id);
                const auto entry = d->entries.find(key);
                if (entry != d->entries.end() && !entry->second.inFlight)
                    d->entries.erase(entry);
            });
    // Qt's D-Bus thread closes the session's connection after the
    // application is gone and disconnects every object still subscribed to
    // it. A notifier that outlives the application (its window never
    // deleted) drops its proxy here first, so only this thread touches it.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QObject::destroyed, this, [this] { d->proxy.reset(); });
    d->AskCapabilities();
}

KivDesktopNotifier::~KivDesktopNotifier() = default;

void KivDesktopNotifier::Show(const QString& key, const QString& title, const QString& body,
                              const QString& icon) {
    if (!d->proxy)
        return;
    KivNoticeEntry& entry = d->entries[key];
    entry.title = title;
    entry.body = body;
    entry.icon = icon;
    entry.withdrawn = false;
    if (entry.inFlight || !d->capabilitiesKnown) {
        entry.dirty = true;
        return;
    }
    d->Send(key);
}

void KivDesktopNotifier::Withdraw(const QString& key) {
    const auto entry = d->entries.find(key);
    if (entry == d->entries.end())
        return;
    if (entry->second.inFlight) {
        entry->second.withdrawn = true;
        entry->second.dirty = false;
        return;
    }
    const uint id = entry->second.id;
    d->entries.erase(entry);
    if (id != 0)
        d->Close(id);
}

bool KivDesktopNotifier::IsShown(const QString& key) const {
    const auto entry = d->entries.find(key);
    return entry != d->entries.end() && !entry->second.withdrawn;
}

void KivDesktopNotifierPrivate::AskCapabilities() {
    auto* watcher =
        new QDBusPendingCallWatcher(proxy->asyncCall(QStringLiteral("GetCapabilities")), q);
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, q, [this](QDBusPendingCallWatcher* call) {
            const QDBusPendingReply<QStringList> reply = *call;
            call->deleteLater();
            bodyMarkup = !reply.isError() && reply.value().contains(QStringLiteral("body-markup"));
            capabilitiesKnown = true;
            for (auto& [key, entry] : entries) {
                if (entry.dirty && !entry.inFlight)
                    Send(key);
            }
        });
}

void KivDesktopNotifierPrivate::Send(const QString& key) {
    if (!proxy)
        return;
    KivNoticeEntry& entry = entries[key];
    entry.dirty = false;
    entry.inFlight = true;
    QVariantMap hints;
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("kivim"));
    const QString body = bodyMarkup ? entry.body.toHtmlEscaped() : entry.body;
    const QDBusPendingCall call =
        proxy->asyncCall(QStringLiteral("Notify"), QCoreApplication::applicationName(), entry.id,
                         entry.icon, entry.title, body,
                         QStringList{QStringLiteral("default"),
                                     QCoreApplication::translate("KivDesktopNotifier", "打开")},
                         hints, int(-1));
    auto* watcher = new QDBusPendingCallWatcher(call, q);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, q,
                     [this, key](QDBusPendingCallWatcher* done) { Answered(key, done); });
}

void KivDesktopNotifierPrivate::Answered(const QString& key, QDBusPendingCallWatcher* watcher) {
    const QDBusPendingReply<uint> reply = *watcher;
    watcher->deleteLater();
    const auto found = entries.find(key);
    if (found == entries.end())
        return;
    KivNoticeEntry& entry = found->second;
    entry.inFlight = false;
    if (reply.isError()) {
        // No service, or it refused: nothing is on screen under this key.
        const bool again = entry.dirty && !entry.withdrawn;
        entry.id = 0;
        if (!again)
            entries.erase(found);
        else
            Send(key);
        return;
    }
    entry.id = reply.value();
    if (entry.withdrawn) {
        const uint id = entry.id;
        entries.erase(found);
        Close(id);
    } else if (entry.dirty) {
        Send(key);
    }
}

void KivDesktopNotifierPrivate::Close(uint id) {
    if (proxy)
        proxy->asyncCall(QStringLiteral("CloseNotification"), id);
}

QString KivDesktopNotifierPrivate::KeyOf(uint id) const {
    if (id == 0)
        return {};
    for (const auto& [key, entry] : entries) {
        if (entry.id == id)
            return key;
    }
    return {};
}
