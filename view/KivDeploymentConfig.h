#pragma once

#include <QString>
#include <QUrl>

// Values a deployment sets in "Config/config.ini": the head picture file
// server, the service's web pages, the key of the remembered passwords and
// where the game program is. A deployment without a web site leaves
// "web/site" empty; the client then offers its own pages instead.
class KivDeploymentConfig {
public:
    explicit KivDeploymentConfig(const QString& file = QStringLiteral("Config/config.ini"));

    // Empty when the deployment has no web site.
    QString WebSite() const { return m_webSite; }
    QString DownloadPage() const { return m_downloadPage; }
    // The game program's configured path; empty: look for it on PATH.
    QString PlayHost() const { return m_playHost; }
    quint64 CryptKey() const { return m_cryptKey; }
    // Where the file server keeps a user's head picture.
    QUrl HeadUrl(quint32 uid) const;

private:
    QString m_fileHost;
    int m_filePort = 0;
    QString m_webSite;
    QString m_downloadPage;
    quint64 m_cryptKey = 0;
    QString m_playHost;
};
