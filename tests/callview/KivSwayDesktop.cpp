#include "KivSwayDesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace KivSwayDesktop {

namespace {

QByteArray Run(const QString& program, const QStringList& arguments, bool* ok = nullptr) {
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(15000);
    if (ok) {
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    return process.readAllStandardOutput();
}

void Collect(const QJsonObject& node, bool floating, QList<Window>* windows) {
    if (node.value(QStringLiteral("pid")).toInt() > 0) {
        const QJsonObject rect = node.value(QStringLiteral("rect")).toObject();
        Window window;
        window.pid = node.value(QStringLiteral("pid")).toInt();
        window.title = node.value(QStringLiteral("name")).toString();
        window.appId = node.value(QStringLiteral("app_id")).toString();
        window.rect =
            QRect(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
                  rect.value(QStringLiteral("width")).toInt(),
                  rect.value(QStringLiteral("height")).toInt());
        window.focused = node.value(QStringLiteral("focused")).toBool();
        window.floating = floating;
        windows->append(window);
    }
    for (const QJsonValue child : node.value(QStringLiteral("nodes")).toArray()) {
        Collect(child.toObject(), floating, windows);
    }
    for (const QJsonValue child : node.value(QStringLiteral("floating_nodes")).toArray()) {
        Collect(child.toObject(), true, windows);
    }
}

}  // namespace

bool Available() {
    bool ok = false;
    Run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_version")}, &ok);
    return ok && !QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("grim")).isEmpty();
}

QList<Window> Windows() {
    QList<Window> windows;
    const QJsonDocument tree = QJsonDocument::fromJson(
        Run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")}));
    Collect(tree.object(), false, &windows);
    return windows;
}

Window Find(qint64 pid, const QString& titlePattern) {
    const QRegularExpression title(QRegularExpression::anchoredPattern(titlePattern));
    for (const Window& window : Windows()) {
        if ((pid == 0 || window.pid == pid) && title.match(window.title).hasMatch()) {
            return window;
        }
    }
    return {};
}

bool Focus(const Window& window) {
    bool ok = false;
    const QString criteria = QStringLiteral("[pid=%1 title=\"^%2$\"] focus")
                                 .arg(window.pid)
                                 .arg(QRegularExpression::escape(window.title));
    Run(QStringLiteral("swaymsg"), {criteria}, &ok);
    return ok;
}

bool Type(const QStringList& wtypeArguments) {
    bool ok = false;
    // A new virtual keyboard per call: its first keys wait until clients
    // have its key map.
    Run(QStringLiteral("wtype"),
        QStringList{QStringLiteral("-s"), QStringLiteral("250")} + wtypeArguments, &ok);
    return ok;
}

QImage Grab(const QRect& area) {
    QStringList arguments;
    if (area.isValid()) {
        arguments << QStringLiteral("-g")
                  << QStringLiteral("%1,%2 %3x%4")
                         .arg(area.x())
                         .arg(area.y())
                         .arg(area.width())
                         .arg(area.height());
    }
    arguments << QStringLiteral("-t") << QStringLiteral("png") << QStringLiteral("-");
    return QImage::fromData(Run(QStringLiteral("grim"), arguments), "PNG");
}

bool ActivateTray(qint64 pid) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    const QString prefix = QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(pid);
    for (const QString& name : bus.interface()->registeredServiceNames().value()) {
        if (!name.startsWith(prefix)) {
            continue;
        }
        QDBusMessage click = QDBusMessage::createMethodCall(
            name, QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
        click << 0 << 0;
        return bus.call(click).type() == QDBusMessage::ReplyMessage;
    }
    return false;
}

}  // namespace KivSwayDesktop
