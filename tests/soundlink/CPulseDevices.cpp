#include "CPulseDevices.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

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
    return true;
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
    const QString module = QString::fromLatin1(pactl.readAllStandardOutput()).trimmed();
    m_modules << module;
    // The loopback's stream into the microphone carries the gain.
    const auto rows = [](const char* what) {
        QProcess list;
        list.start(QStringLiteral("pactl"),
                   {QStringLiteral("list"), QStringLiteral("short"), QString::fromLatin1(what)});
        list.waitForFinished(15000);
        QList<QStringList> result;
        for (const QString& line : QString::fromLatin1(list.readAllStandardOutput()).split('\n')) {
            result << line.split('\t');
        }
        return result;
    };
    QString sinkIndex;
    for (const QStringList& sink : rows("sinks")) {
        if (sink.size() > 1 && sink[1] == microphone) {
            sinkIndex = sink[0];
        }
    }
    for (int attempt = 0; attempt < 50 && !sinkIndex.isEmpty(); ++attempt) {
        for (const QStringList& input : rows("sink-inputs")) {
            if (input.size() > 3 && input[1] == sinkIndex &&
                input[3] == QStringLiteral("module-loopback.c")) {
                return QProcess::execute(QStringLiteral("pactl"),
                                         {QStringLiteral("set-sink-input-volume"), input[0],
                                          QString::number(gain)}) == 0;
            }
        }
        QThread::msleep(100);
    }
    return false;
}

bool CPulseDevices::AddCallSinks(const QString& prefix, CCallSinks* sinks) {
    const QString tag = QString::number(QCoreApplication::applicationPid());
    *sinks = CCallSinks{
        prefix + QStringLiteral("a_mic_") + tag, prefix + QStringLiteral("a_spk_") + tag,
        prefix + QStringLiteral("b_mic_") + tag, prefix + QStringLiteral("b_spk_") + tag};
    return AddSink(sinks->micA) && AddSink(sinks->spkA) && AddSink(sinks->micB) &&
           AddSink(sinks->spkB);
}
