#include "KivInstalledTree.h"

#include <QDir>
#include <QProcess>

KivInstalledTree::KivInstalledTree() = default;

bool KivInstalledTree::install(QString* error) {
    QByteArray output;
    const int code = KivRun(QStringLiteral(KIV_CMAKE),
                            {QStringLiteral("--install"), QStringLiteral(KIV_BUILD_DIR),
                             QStringLiteral("--prefix"), prefix()},
                            QProcessEnvironment::systemEnvironment(), &output, 240000);
    if (code != 0)
        *error = QString::fromLocal8Bit(output);
    return code == 0;
}

QString KivInstalledTree::newHome() {
    const QString home = m_dir.filePath(QStringLiteral("home of user %1").arg(++m_homes));
    QDir().mkpath(home);
    return home;
}

QProcessEnvironment KivInstalledTree::userEnvironment(const QString& home,
                                                      const QString& platform) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    // No site template of the machine running the tests.
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), home + QStringLiteral("/no-site"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    return environment;
}

int KivRun(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment, QByteArray* output, int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
