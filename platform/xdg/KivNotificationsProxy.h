#pragma once

#include <QDBusAbstractInterface>

// The desktop's notification service on the session bus. Its two signals are
// the service's own; the base class subscribes to them while connected.
class KivNotificationsProxy : public QDBusAbstractInterface {
    Q_OBJECT
public:
    explicit KivNotificationsProxy(const QDBusConnection& bus, QObject* parent = nullptr)
        : QDBusAbstractInterface(QStringLiteral("org.freedesktop.Notifications"),
                                 QStringLiteral("/org/freedesktop/Notifications"),
                                 "org.freedesktop.Notifications", bus, parent) {}

signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);
};
