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
    // "base/fileHostscheme" when it is "http" or "https"; without it "https"
    // when the messaging connection uses TLS ("base/tls"), else "http".
    QString FileScheme() const { return m_fileScheme; }
    QString FileHost() const { return m_fileHost; }
    int FilePort() const { return m_filePort; }
    // How an HTTPS file server is checked: the messaging connection's
    // authorities ("tlscafile", empty: the system's) and pin ("tlspin"); the
    // name is "tlsname", or the file server's address without one.
    QString TlsCaFile() const { return m_tlsCaFile; }
    QString TlsPin() const { return m_tlsPin; }
    QString FileTlsName() const { return m_tlsName.isEmpty() ? m_fileHost : m_tlsName; }

private:
    QString m_fileHost;
    QString m_fileScheme;
    QString m_tlsCaFile;
    QString m_tlsPin;
    QString m_tlsName;
    int m_filePort = 0;
    QString m_webSite;
    QString m_downloadPage;
    quint64 m_cryptKey = 0;
    QString m_playHost;
};
