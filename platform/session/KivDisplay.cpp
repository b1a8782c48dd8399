#include "KivDisplay.h"

#include <QGuiApplication>

KivDisplayKind KivCurrentDisplay() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return KivDisplayKind::Other;
    }
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("xcb")) {
        return KivDisplayKind::X11;
    }
    // "wayland", "wayland-egl" and "wayland-xcomposite-*" are all Wayland.
    if (name.startsWith(QLatin1String("wayland"))) {
        return KivDisplayKind::Wayland;
    }
    return KivDisplayKind::Other;
}

KivSessionEnvironment KivSessionEnvironment::FromProcess() {
    KivSessionEnvironment environment;
    environment.kivPlatform = qgetenv("KIV_PLATFORM");
    environment.qtPlatform = qgetenv("QT_QPA_PLATFORM");
    environment.sessionType = qgetenv("XDG_SESSION_TYPE");
    environment.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    environment.x11Display = qgetenv("DISPLAY");
    return environment;
}

QByteArray KivChooseQtPlatform(const KivSessionEnvironment& environment) {
    const QByteArray forced = environment.kivPlatform.trimmed().toLower();
    if (forced == "xcb" || forced == "x11") {
        return QByteArrayLiteral("xcb");
    }
    if (forced == "wayland") {
        return QByteArrayLiteral("wayland");
    }
    if (!environment.qtPlatform.isEmpty()) {
        return environment.qtPlatform;
    }
    // A Wayland session names itself; a bare WAYLAND_DISPLAY without an X
    // display is one too (a compositor started by hand). An X11 session
    // that also carries WAYLAND_DISPLAY (a nested compositor) stays on X11.
    const QByteArray type = environment.sessionType.trimmed().toLower();
    const bool wayland = !environment.waylandDisplay.isEmpty() &&
                         (type == "wayland" || (type != "x11" && environment.x11Display.isEmpty()));
    if (wayland) {
        return environment.x11Display.isEmpty() ? QByteArrayLiteral("wayland")
                                                : QByteArrayLiteral("wayland;xcb");
    }
    return {};
}

void KivApplyQtPlatform() {
    const QByteArray platform = KivChooseQtPlatform(KivSessionEnvironment::FromProcess());
    if (!platform.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", platform);
    }
}
