#include "chat/KivCallProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "CKivFriendReadConfigModel.h"
#include "KivUserSettings.h"

qint64 KivStartCallProgram(const QStringList& arguments, const QString& account) {
    QProcess program;
    program.setProgram(QDir::currentPath() + QStringLiteral("/media/CallView"));
    // The call window takes window messages from this process only.
    program.setArguments(
        arguments +
        QStringList{QStringLiteral("--starter-pid=%1").arg(QCoreApplication::applicationPid())});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("KIV_CALL_ROUTE_HOST"),
        QString::fromLatin1(CKivFriendReadConfigModel::GetInstance()->GetConfigFile()->ipaddr));
    // The call's microphone, speaker and echo cancellation are the account's.
    if (!account.isEmpty()) {
        environment.insert(QStringLiteral("KIV_CALL_SETTINGS"),
                           QFileInfo(KivUserSettings::FileFor(account)).absoluteFilePath());
    }
    program.setProcessEnvironment(environment);
    program.setStandardInputFile(QProcess::nullDevice());
    qint64 pid = 0;
    return program.startDetached(&pid) ? pid : 0;
}
