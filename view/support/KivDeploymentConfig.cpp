#include "support/KivDeploymentConfig.h"

#include <QTextCodec>

#include "KivPrivateProfile.h"

namespace {

// Used when the deployment leaves the key out, so a fresh tree still works.
const quint64 kDefaultCryptKey = Q_UINT64_C(0x0c2ad4a4acb9f023);

}  // namespace

KivDeploymentConfig::KivDeploymentConfig(const QString& file) {
    const KivPrivateProfile ini(file, QTextCodec::codecForName("GB2312"));
    const auto value = [&ini](const char* section, const char* key, const QString& fallback) {
        const QString text = ini.Read(QLatin1String(section), QLatin1String(key));
        return text.isNull() ? fallback : text;
    };
    m_fileHost = value("base", "fileHostaddr", QStringLiteral("127.0.0.1"));
    m_filePort = value("base", "filehostport", QStringLiteral("8080")).toInt();
    // A connection asked to be encrypted keeps the heads and uploads (whose
    // address carries the session's upload id) encrypted too, unless the
    // deployment names the scheme itself.
    const QString scheme = value("base", "fileHostscheme", QString()).trimmed().toLower();
    const bool tls = value("base", "tls", QString()).trimmed().toInt() != 0;
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        m_fileScheme = scheme;
    else
        m_fileScheme = tls ? QStringLiteral("https") : QStringLiteral("http");
    m_tlsCaFile = value("base", "tlscafile", QString()).trimmed();
    m_tlsPin = value("base", "tlspin", QString()).trimmed();
    m_tlsName = value("base", "tlsname", QString()).trimmed();
    m_webSite = value("web", "site", QString()).trimmed();
    const QString download =
        m_webSite.isEmpty() ? QString() : m_webSite + QStringLiteral("/download");
    m_downloadPage = value("web", "download", download).trimmed();
    m_playHost = value("web", "playHost", QString()).trimmed();
    bool ok = false;
    const QString key = ini.Read(QStringLiteral("web"), QStringLiteral("cryptKey"));
    m_cryptKey = key.toULongLong(&ok, 0);
    if (!ok || m_cryptKey == 0)
        m_cryptKey = kDefaultCryptKey;
}

QUrl KivDeploymentConfig::HeadUrl(quint32 uid) const {
    return QUrl(
        QStringLiteral("%1://%2:%3/%4").arg(m_fileScheme, m_fileHost).arg(m_filePort).arg(uid));
}
