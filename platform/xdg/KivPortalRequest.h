#pragma once

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QVariantMap>

#include <atomic>

// One request to the desktop portal, on the object path the portal answers
// on. The base class subscribes to the answer while something is connected to
// it, and only the portal's own connection is heard.
class KivPortalRequest : public QDBusAbstractInterface {
    Q_OBJECT
public:
    KivPortalRequest(const QString& path, const QDBusConnection& bus, QObject* parent = nullptr)
        : QDBusAbstractInterface(QStringLiteral("org.freedesktop.portal.Desktop"), path,
                                 "org.freedesktop.portal.Request", bus, parent) {}

    // A token for a request or session handle, unique in this process.
    static QString NewToken() {
        static std::atomic<unsigned> tokens{0};
        return QStringLiteral("kiv%1").arg(++tokens);
    }
    // Where the portal answers the request with `token`: a path made of our
    // name on the bus and the token. Listen there before asking, or an answer
    // that comes at once is lost.
    static QString PathFor(const QDBusConnection& bus, const QString& token) {
        QString sender = bus.baseService().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    }

signals:
    // `response`: 0 done, 1 cancelled by the user, 2 ended otherwise.
    void Response(uint response, const QVariantMap& results);
};
