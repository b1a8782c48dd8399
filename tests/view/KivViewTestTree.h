#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A throw-away working directory for window tests: the windows read their
// pictures and write per-account files relative to it.
class KivViewTestTree {
public:
    KivViewTestTree();
    ~KivViewTestTree();
    KivViewTestTree(const KivViewTestTree&) = delete;
    KivViewTestTree& operator=(const KivViewTestTree&) = delete;

    QString path() const { return m_dir.path(); }
    // Writes a small valid PNG at the relative path.
    void addPicture(const QString& relativePath) const;
    void writeFile(const QString& relativePath, const QByteArray& content) const;
    // A window that quits the application while no event loop runs leaves the
    // quit pending, and every later exec() would return at once; this clears it.
    static void ForgetQuit();

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
