#include "KivAutoStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Quoting of an Exec field argument as the desktop entry format defines it.
QString QuoteArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`%=");
    bool plain = !argument.isEmpty();
    for (const QChar c : argument)
        plain = plain && !reserved.contains(c);
    if (plain)
        return argument;
    QString quoted = argument;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""))
        .replace(QLatin1Char('`'), QStringLiteral("\\`"))
        .replace(QLatin1Char('$'), QStringLiteral("\\$"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Desktop entry values are one line each.
QString OneLine(QString value) {
    return value.replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
}

}  // namespace

QString KivAutoStart::LauncherCommand() {
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("kivim"));
    return launcher.isEmpty() ? QCoreApplication::applicationFilePath() : launcher;
}

QString KivAutoStart::EntryPath(const QString& appName) {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/") + appName + QStringLiteral(".desktop");
}

bool KivAutoStart::Enable(const QString& appName, const QString& command,
                          const QString& workingDirectory) {
    const QString path = EntryPath(appName);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n")
                        .arg(OneLine(appName), OneLine(QuoteArgument(command)));
    if (!workingDirectory.isEmpty())
        entry += QStringLiteral("Path=%1\n").arg(OneLine(workingDirectory));
    entry += QStringLiteral("Terminal=false\nX-GNOME-Autostart-enabled=true\n");
    file.write(entry.toUtf8());
    return file.commit();
}

bool KivAutoStart::Disable(const QString& appName) {
    const QString path = EntryPath(appName);
    return !QFileInfo::exists(path) || QFile::remove(path);
}

bool KivAutoStart::IsEnabled(const QString& appName) {
    return QFileInfo::exists(EntryPath(appName));
}
