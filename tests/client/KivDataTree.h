#pragma once

#include <QString>
#include <QTemporaryDir>

// A private data tree for one test: the build's pictures, skins and template
// database linked in, its own configuration and per-account folders. It is
// the working directory while it lives.
class KivDataTree {
public:
    explicit KivDataTree(quint16 serverPort = 0, quint16 httpPort = 0);
    ~KivDataTree();
    KivDataTree(const KivDataTree&) = delete;
    KivDataTree& operator=(const KivDataTree&) = delete;

    QString path() const { return m_dir.path(); }
    void writeFile(const QString& relativePath, const QByteArray& content) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
