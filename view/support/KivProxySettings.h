#pragma once

#include <QNetworkProxy>
#include <QString>

#include "CKivSocks5Proxy.h"

// The proxy of an account: kind, address and user in its settings file
// ("/NetSet/..."), the password in the desktop keyring. Applied to the
// program's HTTP traffic (head pictures and uploads) and, for SOCKS5, to the
// messaging connection.
struct KivProxySettings {
    QString type = QStringLiteral("NoUse");  // "NoUse", "HTTPAgency", "SOCKS5gency", "UseBrowser"
    QString server;
    QString port;
    QString userName;
    QString password;

    // A password an older version kept in the file in plain text moves into
    // the keyring when one runs; without one it is still used from there.
    static KivProxySettings Read(const QString& account);
    // Keeps the password in the keyring (none: forgets it); false when there
    // is a password and no keyring took it, so it lasts only for this run.
    bool StorePassword(const QString& account) const;
    // The proxy Qt's network access uses; NoProxy when the kind is unknown,
    // "UseBrowser" takes the desktop's settings (DefaultProxy).
    QNetworkProxy Proxy() const;
    // The SOCKS5 proxy for the messaging connection; not enabled for other kinds.
    CKivSocks5Proxy SocksProxy() const;
    // Makes it the application's proxy, and a SOCKS5 proxy the messaging
    // connection's from its next connect; false (and no proxy) when the address
    // or port of a proxy kind is not usable.
    bool Apply() const;
};
