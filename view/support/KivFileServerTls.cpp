#include "support/KivFileServerTls.h"

#include <QFile>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslError>

#include "KivLog.h"
#include "KivTls.h"
#include "support/KivDeploymentConfig.h"

namespace {

QString PinOf(const QSslCertificate& certificate) {
    const QByteArray der = certificate.toDer();
    return QString::fromStdString(
        KivTlsPublicKeyPin(std::string(der.constData(), std::size_t(der.size()))));
}

// The errors that only say no known authority signed the chain: a matching
// pin stands in for one, as on the messaging connection.
bool IsTrustError(QSslError::SslError error) {
    switch (error) {
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::CertificateUntrusted:
            return true;
        default:
            return false;
    }
}

void Refuse(QNetworkReply* reply, const QString& reason) {
    qCWarning(lcKivNet).noquote() << "file server refused:" << reason;
    reply->setProperty("kivRefused", reason);
    reply->abort();
}

}  // namespace

QNetworkRequest KivFileServerTls::Request(const QUrl& url, const KivDeploymentConfig& config) {
    QNetworkRequest request(url);
    if (url.scheme() != QLatin1String("https"))
        return request;
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setProtocol(QSsl::TlsV1_2OrLater);
    ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!config.TlsCaFile().isEmpty()) {
        // Only these authorities: a deployment that names its own trusts no other.
        ssl.setCaCertificates(QSslCertificate::fromPath(config.TlsCaFile()));
    }
    request.setSslConfiguration(ssl);
    request.setPeerVerifyName(config.FileTlsName());
    return request;
}

void KivFileServerTls::Watch(QNetworkReply* reply, const KivDeploymentConfig& config) {
    if (reply->url().scheme() != QLatin1String("https"))
        return;
    const std::string normalized = KivTlsNormalizePin(config.TlsPin().toStdString());
    const QString pin = QString::fromStdString(normalized);
    const bool pinned = !config.TlsPin().isEmpty();
    const std::string name = config.FileTlsName().toStdString();
    QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                     [reply, pin, pinned](const QList<QSslError>& errors) {
                         if (!pinned || pin.isEmpty())
                             return;
                         for (const QSslError& error : errors) {
                             if (!IsTrustError(error.error()) || PinOf(error.certificate()) != pin)
                                 return;
                         }
                         reply->ignoreSslErrors(errors);
                     });
    QObject::connect(reply, &QNetworkReply::encrypted, reply, [reply, pin, pinned, name] {
        const QByteArray der = reply->sslConfiguration().peerCertificate().toDer();
        // Qt's own check also takes partial wildcards and the subject's
        // common name; the file server is held to the messaging server's rules.
        if (!KivTlsCertificateNames(std::string(der.constData(), std::size_t(der.size())), name)) {
            Refuse(reply, QStringLiteral("the file server's certificate does not name %1")
                              .arg(QString::fromStdString(name)));
            return;
        }
        if (!pinned)
            return;
        const QString actual = PinOf(reply->sslConfiguration().peerCertificate());
        if (pin.isEmpty() || actual != pin)
            Refuse(reply, QStringLiteral("the file server's public key is not the one of tlspin"));
    });
}
