#pragma once

#include <QDBusAbstractInterface>
#include <QDBusObjectPath>
#include <QVariantMap>

// The desktop portal's global shortcuts on the session bus: its calls, and
// Activated when the user presses a bound shortcut.
class KivGlobalShortcutsProxy : public QDBusAbstractInterface {
    Q_OBJECT
public:
    explicit KivGlobalShortcutsProxy(const QDBusConnection& bus, QObject* parent = nullptr)
        : QDBusAbstractInterface(QStringLiteral("org.freedesktop.portal.Desktop"),
                                 QStringLiteral("/org/freedesktop/portal/desktop"),
                                 "org.freedesktop.portal.GlobalShortcuts", bus, parent) {}

signals:
    void Activated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                   const QVariantMap& options);
};
