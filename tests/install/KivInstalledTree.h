#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The build installed with `cmake --install` below a private prefix, and the
// means to run its launcher as a user with a home folder of their own. Both
// paths hold blanks, as real ones may.
class KivInstalledTree {
public:
    KivInstalledTree();
    KivInstalledTree(const KivInstalledTree&) = delete;
    KivInstalledTree& operator=(const KivInstalledTree&) = delete;

    // Runs the installation; false with `error` holding cmake's output.
    bool install(QString* error);

    QString prefix() const { return m_dir.filePath(QStringLiteral("the prefix")); }
    QString path(const QString& relative) const { return prefix() + QLatin1Char('/') + relative; }
    QString launcher() const { return path(QStringLiteral("bin/kivim")); }
    // A fresh, empty home folder for another user.
    QString newHome();
    // The environment of a user with that home: no XDG_DATA_HOME or site
    // template of the tester's own, the client on the given Qt platform.
    static QProcessEnvironment userEnvironment(const QString& home, const QString& platform);

private:
    QTemporaryDir m_dir;
    int m_homes = 0;
};

// Runs a program to its end; its exit code, or -1 when it did not finish.
int KivRun(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment, QByteArray* output = nullptr,
           int timeoutMs = 60000);
