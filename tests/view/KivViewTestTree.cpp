#include "KivViewTestTree.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTimer>

KivViewTestTree::KivViewTestTree() : m_previous(QDir::currentPath()) {
    QDir::setCurrent(m_dir.path());
}

KivViewTestTree::~KivViewTestTree() {
    // A newer tree that took over the working directory keeps it.
    if (QDir::currentPath() == QDir(m_dir.path()).canonicalPath() ||
        QDir::currentPath() == m_dir.path())
        QDir::setCurrent(m_previous);
}

void KivViewTestTree::addPicture(const QString& relativePath) const {
    const QString file = m_dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(file).path());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(file, "PNG");
}

void KivViewTestTree::writeFile(const QString& relativePath, const QByteArray& content) const {
    const QString file = m_dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(content);
}

void KivViewTestTree::ForgetQuit() {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}
