#include "KivTrayClicks.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include "KivDisplay.h"

bool KivTrayOpensOnSingleClick() {
    if (KivCurrentDisplay() == KivDisplayKind::Wayland) {
        return true;
    }
    // Qt shows its tray icon as such an item wherever a watcher is on the bus.
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}
