#include "CPulseDevices.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

namespace {

// The rows of `pactl list short <what>`, split into their columns.
QList<QStringList> Rows(const char* what) {
    QProcess list;
    list.start(QStringLiteral("pactl"),
               {QStringLiteral("list"), QStringLiteral("short"), QString::fromLatin1(what)});
    list.waitForFinished(15000);
    QList<QStringList> result;
    for (const QString& line : QString::fromLatin1(list.readAllStandardOutput()).split('\n')) {
        result << line.split('\t');
    }
    return result;
}

// The index of the sink with that name, or empty.
QString SinkIndex(const QString& name) {
    for (const QStringList& sink : Rows("sinks")) {
        if (sink.size() > 1 && sink[1] == name) {
            return sink[0];
        }
    }
    return QString();
}

// Waits until a stream of `driver` plays into the sink; its index, or empty.
QString WaitForInput(const QString& sinkIndex, const QString& driver) {
    for (int attempt = 0; attempt < 150 && !sinkIndex.isEmpty(); ++attempt) {
        for (const QStringList& input : Rows("sink-inputs")) {
            if (input.size() > 3 && input[1] == sinkIndex && input[3] == driver) {
                return input[0];
            }
        }
        QThread::msleep(20);
    }
    return QString();
}

}  // namespace

CPulseDevices::~CPulseDevices() {
    for (const auto& silence : m_silence) {
        silence->kill();
        silence->waitForFinished(5000);
    }
    // The newest first: a loopback goes before the sinks it joins.
    for (auto module = m_modules.crbegin(); module != m_modules.crend(); ++module) {
        QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("unload-module"), *module});
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
    auto silence = std::make_unique<QProcess>();
    silence->setStandardInputFile(QStringLiteral("/dev/zero"));
    silence->start(QStringLiteral("pacat"),
                   {QStringLiteral("--playback"), QStringLiteral("--raw"),
                    QStringLiteral("--device=") + name, QStringLiteral("--latency-msec=20")});
    if (!silence->waitForStarted(15000)) {
        return false;
    }
    m_silence.push_back(std::move(silence));
    // Started anew with the silence in place, the sink takes its short period
    // at once; else the block it is in (up to two seconds) runs out first.
    return !WaitForInput(SinkIndex(name), QStringLiteral("protocol-native.c")).isEmpty() &&
           QProcess::execute(QStringLiteral("pactl"),
                             {QStringLiteral("suspend-sink"), name, QStringLiteral("1")}) == 0 &&
           QProcess::execute(QStringLiteral("pactl"),
                             {QStringLiteral("suspend-sink"), name, QStringLiteral("0")}) == 0;
}

bool CPulseDevices::AddEchoPath(const QString& speaker, const QString& microphone, int latencyMs,
                                double gain) {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"),
                {QStringLiteral("load-module"), QStringLiteral("module-loopback"),
                 QStringLiteral("source=%1.monitor").arg(speaker),
                 QStringLiteral("sink=%1").arg(microphone),
                 QStringLiteral("latency_msec=%1").arg(latencyMs),
                 // A room's way back does not stretch: no rate changes to reach the latency.
                 QStringLiteral("adjust_time=0"), QStringLiteral("source_dont_move=true"),
                 QStringLiteral("sink_dont_move=true")});
    if (!pactl.waitForFinished(15000) || pactl.exitCode() != 0) {
        return false;
    }
    m_modules << QString::fromLatin1(pactl.readAllStandardOutput()).trimmed();
    // The loopback's stream into the microphone carries the gain.
    const QString input = WaitForInput(SinkIndex(microphone), QStringLiteral("module-loopback.c"));
    return !input.isEmpty() &&
           QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("set-sink-input-volume"),
                                                       input, QString::number(gain)}) == 0;
}

bool CPulseDevices::AddCallSinks(const QString& prefix, CCallSinks* sinks) {
    const QString tag = QString::number(QCoreApplication::applicationPid());
    *sinks = CCallSinks{
        prefix + QStringLiteral("a_mic_") + tag, prefix + QStringLiteral("a_spk_") + tag,
        prefix + QStringLiteral("b_mic_") + tag, prefix + QStringLiteral("b_spk_") + tag};
    return AddSink(sinks->micA) && AddSink(sinks->spkA) && AddSink(sinks->micB) &&
           AddSink(sinks->spkB);
}
