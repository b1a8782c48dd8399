#include "CPulseDevices.h"

#include <QCoreApplication>
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

bool CPulseDevices::AddCallSinks(const QString& prefix, CCallSinks* sinks) {
    const QString tag = QString::number(QCoreApplication::applicationPid());
    *sinks = CCallSinks{
        prefix + QStringLiteral("a_mic_") + tag, prefix + QStringLiteral("a_spk_") + tag,
        prefix + QStringLiteral("b_mic_") + tag, prefix + QStringLiteral("b_spk_") + tag};
    return AddSink(sinks->micA) && AddSink(sinks->spkA) && AddSink(sinks->micB) &&
           AddSink(sinks->spkB);
}
