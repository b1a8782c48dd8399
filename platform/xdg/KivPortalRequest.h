#pragma once

#include <QDBusAbstractInterface>
#include <QVariantMap>

// One request to the desktop portal, on the object path the portal answers
// on. The base class subscribes to the answer while something is connected to
// it, and only the portal's own connection is heard.
class KivPortalRequest : public QDBusAbstractInterface {
    Q_OBJECT
public:
    KivPortalRequest(const QString& path, const QDBusConnection& bus, QObject* parent = nullptr)
        : QDBusAbstractInterface(QStringLiteral("org.freedesktop.portal.Desktop"), path,
                                 "org.freedesktop.portal.Request", bus, parent) {}

signals:
    // `response`: 0 done, 1 cancelled by the user, 2 ended otherwise.
    void Response(uint response, const QVariantMap& results);
};
