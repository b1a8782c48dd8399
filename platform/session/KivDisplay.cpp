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
    return {KivSessionVariables::FromProcess(), qgetenv("QT_QPA_PLATFORM")};
}

QByteArray KivChooseQtPlatform(const KivSessionEnvironment& environment) {
    const KivSessionChoice choice = KivChooseSession(environment.session);
    if (choice.forced) {
        return choice.type == KivSessionType::X11 ? QByteArrayLiteral("xcb")
                                                  : QByteArrayLiteral("wayland");
    }
    if (!environment.qtPlatform.isEmpty()) {
        return environment.qtPlatform;
    }
    if (choice.type == KivSessionType::Wayland) {
        // XWayland, where the session has it, when Qt's Wayland platform cannot start.
        return environment.session.x11Display.empty() ? QByteArrayLiteral("wayland")
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
