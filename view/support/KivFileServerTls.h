#pragma once

#include <QNetworkRequest>

class KivDeploymentConfig;
class QNetworkReply;

// Head pictures over HTTPS: the file server is checked as the messaging
// connection checks its server (authorities, name, optional pin of its
// public key). A reply from a server that fails is aborted before its body
// is taken, with the reason in its "kivRefused" property.
class KivFileServerTls {
public:
    // The request for `url` with the deployment's checks when it is HTTPS.
    static QNetworkRequest Request(const QUrl& url, const KivDeploymentConfig& config);
    // Watches a reply of such a request for the pin; call right after sending.
    static void Watch(QNetworkReply* reply, const KivDeploymentConfig& config);
};
