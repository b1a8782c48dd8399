#include "support/KivProxySettings.h"

#include <QNetworkProxyFactory>
#include <QSettings>

#include "CKivFriendNetModel.h"
#include "KivUserSettings.h"
#include "support/KivPasswordKeyring.h"

namespace {

const QString kPlainPassword = QStringLiteral("/NetSet/passWd");

}  // namespace

KivProxySettings KivProxySettings::Read(const QString& account) {
    QSettings ini(KivUserSettings::FileFor(account), QSettings::IniFormat);
    KivProxySettings proxy;
    proxy.type = ini.value(QStringLiteral("/NetSet/Type"), proxy.type).toString();
    proxy.server = ini.value(QStringLiteral("/NetSet/Server")).toString();
    proxy.port = ini.value(QStringLiteral("/NetSet/Port")).toString();
    proxy.userName = ini.value(QStringLiteral("/NetSet/UserName")).toString();
    const QString plain = ini.value(kPlainPassword).toString();
    proxy.password = plain;
    if (KivPasswordKeyring::Available()) {
        const QString kept = KivPasswordKeyring::Lookup(account, KivPasswordKeyring::Item::Proxy);
        if (!kept.isNull())
            proxy.password = kept;
        if (!plain.isEmpty() &&
            (!kept.isNull() ||
             KivPasswordKeyring::Store(account, plain, KivPasswordKeyring::Item::Proxy)))
            ini.remove(kPlainPassword);
    }
    return proxy;
}

bool KivProxySettings::StorePassword(const QString& account) const {
    QSettings ini(KivUserSettings::FileFor(account), QSettings::IniFormat);
    if (password.isEmpty()) {
        KivPasswordKeyring::Forget(account, KivPasswordKeyring::Item::Proxy);
        ini.remove(kPlainPassword);
        return true;
    }
    if (KivPasswordKeyring::Store(account, password, KivPasswordKeyring::Item::Proxy)) {
        ini.remove(kPlainPassword);
        return true;
    }
    // Nothing new goes into the file; one from before stays while it is still
    // the password, so the proxy goes on working after a restart as it did.
    if (ini.value(kPlainPassword).toString() != password)
        ini.remove(kPlainPassword);
    return false;
}

QNetworkProxy KivProxySettings::Proxy() const {
    QNetworkProxy::ProxyType kind = QNetworkProxy::NoProxy;
    if (type == QLatin1String("HTTPAgency"))
        kind = QNetworkProxy::HttpProxy;
    else if (type == QLatin1String("SOCKS5gency"))
        kind = QNetworkProxy::Socks5Proxy;
    else if (type == QLatin1String("UseBrowser"))
        return QNetworkProxy(QNetworkProxy::DefaultProxy);
    if (kind == QNetworkProxy::NoProxy)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    bool ok = false;
    const uint number = port.trimmed().toUInt(&ok);
    if (!ok || number == 0 || number > 65535 || server.trimmed().isEmpty())
        return QNetworkProxy(QNetworkProxy::NoProxy);
    return QNetworkProxy(kind, server.trimmed(), quint16(number), userName, password);
}

CKivSocks5Proxy KivProxySettings::SocksProxy() const {
    CKivSocks5Proxy socks;
    const QNetworkProxy proxy = Proxy();
    if (proxy.type() == QNetworkProxy::Socks5Proxy) {
        socks.host = proxy.hostName().toStdString();
        socks.port = proxy.port();
        socks.userName = proxy.user().toStdString();
        socks.password = proxy.password().toStdString();
    }
    return socks;
}

bool KivProxySettings::Apply() const {
    CKivFriendNetModel::GetInstance()->SetSocksProxy(SocksProxy());
    const QNetworkProxy proxy = Proxy();
    const bool usesBrowser = proxy.type() == QNetworkProxy::DefaultProxy;
    QNetworkProxyFactory::setUseSystemConfiguration(usesBrowser);
    if (!usesBrowser)
        QNetworkProxy::setApplicationProxy(proxy);
    return usesBrowser || type == QLatin1String("NoUse") || proxy.type() != QNetworkProxy::NoProxy;
}
