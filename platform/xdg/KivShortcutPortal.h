#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>
#include <optional>

class KivGlobalShortcutsProxy;

// Global hot keys through the desktop portal (Wayland sessions). The keys
// held are bound together in one portal session; when they change, the old
// session is closed and a new one binds the rest. The desktop asks the user
// to confirm them, so nothing here waits for an answer: presses come back
// as Activated. Only Available() waits, once, for the portal to say whether
// it has global shortcuts at all.
class KivShortcutPortal : public QObject {
    Q_OBJECT
public:
    explicit KivShortcutPortal(const QDBusConnection& bus, QObject* parent = nullptr);
    ~KivShortcutPortal() override;

    bool Available();
    // False for a key the portal has no name for. Otherwise the key is handed
    // to the portal (or, where it has no global shortcuts, nothing is taken)
    // and the result is true.
    bool Register(int id, unsigned modifiers, unsigned virtualKey, const QString& description);
    void Unregister(int id);

    // The portal's trigger text for a combination ("CTRL+ALT+Z", "SHIFT+F1");
    // empty for a key it has no name for.
    static QString TriggerText(unsigned modifiers, unsigned virtualKey);
    static QString ShortcutId(int id);

signals:
    void Activated(int id);

private:
    struct Shortcut {
        QString trigger;
        QString description;
    };
    using Answer = std::function<void(uint response, const QVariantMap& results)>;

    void ScheduleBind();
    void Bind();
    void BindShortcuts();
    void Settled();
    void CloseSession();
    // Calls a portal method that answers through a request; `answered` runs
    // once, with the response or with 2 when the call itself failed.
    void Ask(const QString& method, const QVariantList& arguments, const QString& token,
             Answer answered);

    QDBusConnection m_bus;
    KivGlobalShortcutsProxy* m_proxy = nullptr;
    std::optional<bool> m_available;
    std::map<int, Shortcut> m_wanted;
    QString m_session;
    bool m_bindScheduled = false;
    // A request is with the portal; changes meanwhile bind again after it.
    bool m_busy = false;
    bool m_changed = false;
};
