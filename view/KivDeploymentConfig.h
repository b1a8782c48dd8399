#pragma once

#include <QString>
#include <QUrl>

// Values a deployment sets in "Config/config.ini": the head picture file
// server, the service's web pages and the key of the remembered passwords.
class KivDeploymentConfig {
public:
    explicit KivDeploymentConfig(const QString& file = QStringLiteral("Config/config.ini"));

    QString WebSite() const { return m_webSite; }
    QString DownloadPage() const { return m_downloadPage; }
    quint64 CryptKey() const { return m_cryptKey; }
    // Where the file server keeps a user's head picture.
    QUrl HeadUrl(quint32 uid) const;

private:
    QString m_fileHost;
    int m_filePort = 0;
    QString m_webSite;
    QString m_downloadPage;
    quint64 m_cryptKey = 0;
};
