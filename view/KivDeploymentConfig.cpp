#include "KivDeploymentConfig.h"

#include <QSettings>
#include <QTextCodec>

namespace {

// Used when the deployment leaves the key out, so a fresh tree still works.
const quint64 kDefaultCryptKey = Q_UINT64_C(0x0c2ad4a4acb9f023);

}  // namespace

KivDeploymentConfig::KivDeploymentConfig(const QString& file) {
    QSettings ini(file, QSettings::IniFormat);
    ini.setIniCodec(QTextCodec::codecForName("GB2312"));
    m_fileHost =
        ini.value(QStringLiteral("base/fileHostaddr"), QStringLiteral("127.0.0.1")).toString();
    m_filePort = ini.value(QStringLiteral("base/filehostport"), 8080).toInt();
    m_webSite = ini.value(QStringLiteral("web/site")).toString().trimmed();
    const QString download =
        m_webSite.isEmpty() ? QString() : m_webSite + QStringLiteral("/download");
    m_downloadPage = ini.value(QStringLiteral("web/download"), download).toString().trimmed();
    m_playHost = ini.value(QStringLiteral("web/playHost")).toString().trimmed();
    bool ok = false;
    const QString key = ini.value(QStringLiteral("web/cryptKey")).toString();
    m_cryptKey = key.toULongLong(&ok, 0);
    if (!ok || m_cryptKey == 0)
        m_cryptKey = kDefaultCryptKey;
}

QUrl KivDeploymentConfig::HeadUrl(quint32 uid) const {
    return QUrl(QStringLiteral("http://%1:%2/%3").arg(m_fileHost).arg(m_filePort).arg(uid));
}
