#include "KivDataTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

KivDataTree::KivDataTree(quint16 serverPort, quint16 httpPort) : m_previous(QDir::currentPath()) {
    const QDir data(QStringLiteral(KIV_DATA_DIR));
    for (const char* entry : {"Resources", "image", "DB", "fonts.conf", "media"}) {
        QFile::link(data.absoluteFilePath(QLatin1String(entry)),
                    m_dir.filePath(QLatin1String(entry)));
    }
    writeFile(QStringLiteral("Config/config.ini"),
              QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nversion=1\nneedUpdate=0\n"
                             "fileHostaddr=127.0.0.1\nfilehostport=%2\n")
                  .arg(serverPort)
                  .arg(httpPort)
                  .toLatin1());
    QDir::setCurrent(m_dir.path());
}

KivDataTree::~KivDataTree() {
    QDir::setCurrent(m_previous);
}

void KivDataTree::writeFile(const QString& relativePath, const QByteArray& content) const {
    const QString file = m_dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(content);
}
