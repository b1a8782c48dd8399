#include "CPulseDevices.h"

#include <QProcess>

CPulseDevices::~CPulseDevices() {
    for (const QString& module : m_modules) {
        QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("unload-module"), module});
    }
}

bool CPulseDevices::AddSink(const QString& name) {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"),
                {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                 QStringLiteral("sink_name=") + name});
    if (!pactl.waitForFinished(15000) || pactl.exitCode() != 0) {
        return false;
    }
    m_modules << QString::fromLatin1(pactl.readAllStandardOutput()).trimmed();
    return true;
}
