#pragma once

#include <QNetworkProxy>
#include <QString>

#include "CKivSocks5Proxy.h"

// The proxy of the settings file ("/NetSet/..."), applied to the program's
// HTTP traffic (head pictures and uploads) and, for SOCKS5, to the messaging
// connection.
struct KivProxySettings {
    QString type = QStringLiteral("NoUse");  // "NoUse", "HTTPAgency", "SOCKS5gency", "UseBrowser"
    QString server;
    QString port;
    QString userName;
    QString password;

    static KivProxySettings Read(const QString& settingsFile);
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
