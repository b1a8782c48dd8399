#include "KivUserSettings.h"

#include <QDir>
#include <QSettings>

QString KivUserSettings::FolderFor(const QString& account) {
    return QStringLiteral("User/%1/Settingconfig").arg(account);
}

QString KivUserSettings::FileFor(const QString& account) {
    return FolderFor(account) + QStringLiteral("/setconfig.ini");
}

bool KivUserSettings::EnsureDefaults(const QString& account) {
    if (QDir(FolderFor(account)).exists())
        return false;
    QDir().mkpath(FolderFor(account));
    QSettings ini(FileFor(account), QSettings::IniFormat);
    const std::pair<const char*, QVariant> defaults[] = {
        {"/BaseSetting/BootStart", 0},
        {"/BaseSetting/AutoLogin", 0},
        {"/BaseSetting/ForgetPwd", 0},
        {"/BaseSetting/CloseMaindlg", 1},
        {"/BaseSetting/MarginHide", 1},
        {"/BaseSetting/WindowFront", 1},
        {"/BaseSetting/DesktopNotify", 1},
        {"/HostKeyName/ShowmDlgName", QString()},
        {"/HostKeyName/GetmsgName", QString()},
        {"/HostKeyName/SndpicName", QString()},
        {"/HostKeyName/HideFriendName", QString()},
        {"/HostKey/ShowmDlg", 0},
        {"/HostKey/Getmsg", 0},
        {"/HostKey/Sndpic", 0},
        {"/HostKey/HideFriend", 0},
        {"/HostKey/Sndmsg", QStringLiteral("C")},
        {"/NetSet/Type", QStringLiteral("NoUse")},
        {"/NetSet/Server", QString()},
        {"/NetSet/Port", QString()},
        {"/NetSet/UserName", QString()},
        {"/History/SaveWay", 0},
        {"/History/SavePath", QStringLiteral("./User/%1/DB").arg(account)},
    };
    for (const auto& [key, value] : defaults)
        ini.setValue(QString::fromLatin1(key), value);
    ini.sync();
    return true;
}

bool KivUserSettings::AutoReconnect(const QString& account) {
    const QSettings ini(FileFor(account), QSettings::IniFormat);
    return ini.value(QLatin1String(kAutoReconnectKey), 1).toInt() != 0;
}
