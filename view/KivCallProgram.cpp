#include "KivCallProgram.h"

#include <QDir>
#include <QProcess>

#include "CKivFriendReadConfigModel.h"

bool KivStartCallProgram(const QStringList& arguments) {
    QProcess program;
    program.setProgram(QDir::currentPath() + QStringLiteral("/media/CallView"));
    program.setArguments(arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("KIV_CALL_ROUTE_HOST"),
        QString::fromLatin1(CKivFriendReadConfigModel::GetInstance()->GetConfigFile()->ipaddr));
    program.setProcessEnvironment(environment);
    program.setStandardInputFile(QProcess::nullDevice());
    return program.startDetached();
}
