#include "KivHotKey.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include "KivDisplay.h"
#include "x11/KivHotKeyGrabs.h"
#include "xdg/KivShortcutPortal.h"

namespace {

std::function<void(int)>& ActivationHandler() {
    static std::function<void(int)> handler;
    return handler;
}

KivShortcutPortal*& PortalInstance() {
    static KivShortcutPortal* portal = nullptr;
    return portal;
}

// The portal's client, made on first use in a Wayland session. It goes with
// the application, before Qt's D-Bus thread closes the session's connection.
KivShortcutPortal* ShortcutPortal() {
    KivShortcutPortal*& portal = PortalInstance();
    QCoreApplication* application = QCoreApplication::instance();
    if (portal || !application)
        return portal;
    portal = new KivShortcutPortal(QDBusConnection::sessionBus());
    QObject::connect(portal, &KivShortcutPortal::Activated, portal, [](int id) {
        if (const std::function<void(int)>& handler = ActivationHandler())
            handler(id);
    });
    QObject::connect(application, &QObject::destroyed, [] {
        delete PortalInstance();
        PortalInstance() = nullptr;
    });
    return portal;
}

}  // namespace

KivHotKey::Availability KivHotKey::Available() {
    switch (KivCurrentDisplay()) {
        case KivDisplayKind::X11:
            return KivHotKeyGrabs::Built() ? Grabs : None;
        case KivDisplayKind::Wayland: {
            KivShortcutPortal* portal = ShortcutPortal();
            return portal && portal->Available() ? Portal : None;
        }
        case KivDisplayKind::Other:
            break;
    }
    return None;
}

bool KivHotKey::Register(int id, unsigned modifiers, unsigned virtualKey,
                         const QString& description) {
    switch (KivCurrentDisplay()) {
        case KivDisplayKind::X11:
            return KivHotKeyGrabs::Register(id, modifiers, virtualKey);
        case KivDisplayKind::Wayland: {
            KivShortcutPortal* portal = ShortcutPortal();
            return !portal || portal->Register(id, modifiers, virtualKey, description);
        }
        case KivDisplayKind::Other:
            break;
    }
    return true;
}

void KivHotKey::Unregister(int id) {
    // Either source forgets only what it holds.
    KivHotKeyGrabs::Unregister(id);
    if (KivShortcutPortal* portal = PortalInstance())
        portal->Unregister(id);
}

int KivHotKey::FromNativeEvent(const QByteArray& eventType, void* message) {
    // Only the X11 platform reports xcb events, and only grabs are reported by them.
    return KivHotKeyGrabs::FromNativeEvent(eventType, message);
}

void KivHotKey::SetActivationHandler(std::function<void(int id)> handler) {
    ActivationHandler() = std::move(handler);
}
