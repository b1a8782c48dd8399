// Echo: two processes with one audio session each call each other on
// loopback; B's speaker reaches B's microphone 40 ms later at -6 dB (a
// loopback of the test PulseAudio server, like a laptop's speaker and
// microphone). A talks (noise bursts, then a voice-like sound), then B talks
// too (another voice) for double talk. Run once without echo cancellation
// and once with it, it prints the echo of A's own voice at A's speaker, the
// echo return loss enhancement, and B's voice at A during double talk.
//
// Run under scripts/with-services (it needs PULSE_SERVER).
#include <gst/gst.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <memory>

#include "CPcmRecorder.h"
#include "CPulseDevices.h"
#include "CSoundPeer.h"
#include "CTalker.h"
#include "CToneMeter.h"
#include "CTwoTones.h"

namespace {

constexpr std::size_t kRate = CPcmRecorder::kRate;

struct Figures {
    double noiseEchoDb = 0.0;   // A's noise bursts heard back at A
    double voiceEchoDb = 0.0;   // A's voice heard back at A
    double voiceAtBDb = 0.0;    // A's voice at B's speaker
    double doubleTalkDb = 0.0;  // B's voice at A while both talk (echo taken out)
};

double Level(const CPcmRecorder& recorder, std::size_t seconds) {
    const std::vector<std::int16_t> samples = recorder.Last(seconds * kRate);
    return CToneMeter(samples, int(kRate)).LevelDb();
}

double Power(double db) {
    return std::pow(10.0, db / 10.0);
}

// One call with or without the canceller. Each phase gives the canceller two
// seconds, then measures two.
bool Measure(bool echoCancel, Figures* figures) {
    CPulseDevices devices;
    CCallSinks sinks;
    if (!devices.AddCallSinks(QStringLiteral("bench_echo_"), &sinks) ||
        !devices.AddEchoPath(sinks.spkB, sinks.micB, 40, 0.5)) {
        return false;
    }
    QTemporaryDir dirA;
    QTemporaryDir dirB;
    for (const QTemporaryDir* dir : {&dirA, &dirB}) {
        // Registrations go to a closed loopback port, not to a server on 6800.
        QDir(dir->path()).mkpath(QStringLiteral("Config"));
        QFile config(dir->filePath(QStringLiteral("Config/config.ini")));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("[media]\nipaddr=127.0.0.1\nport=%1\n")
                         .arg(KivFreeUdpPort())
                         .toLatin1());
    }
    CPcmRecorder heardByA(qPrintable(sinks.spkA + QStringLiteral(".monitor")));
    CPcmRecorder heardByB(qPrintable(sinks.spkB + QStringLiteral(".monitor")));
    if (!heardByA.Start() || !heardByB.Start()) {
        return false;
    }
    CSoundPeer peerA;
    CSoundPeer peerB;
    if (!KivStartCallPair(peerA, peerB, sinks, dirA.path(), dirB.path(), echoCancel)) {
        return false;
    }
    auto phase = [&heardByA] { return CTwoTones::Record(heardByA, 4 * kRate); };
    {
        CTalker bursts(sinks.micA, CTalker::Voice::NoiseBursts, 0.0);
        if (!bursts.Start() || !phase()) {
            return false;
        }
        figures->noiseEchoDb = Level(heardByA, 2);
    }
    CTalker voiceA(sinks.micA, CTalker::Voice::Voiced, 140.0);
    if (!voiceA.Start() || !phase()) {
        return false;
    }
    figures->voiceEchoDb = Level(heardByA, 2);
    figures->voiceAtBDb = Level(heardByB, 2);
    CTalker voiceB(sinks.micB, CTalker::Voice::Voiced, 230.0);
    if (!voiceB.Start() || !phase()) {
        return false;
    }
    // What A hears now is B's voice and what is left of A's echo.
    const double both = Power(Level(heardByA, 2)) - Power(figures->voiceEchoDb);
    figures->doubleTalkDb = 10.0 * std::log10(std::max(both, 1e-12));
    peerA.Command(QStringLiteral("quit"), QStringLiteral("\x01"), 100);
    peerB.Command(QStringLiteral("quit"), QStringLiteral("\x01"), 100);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        std::fprintf(stderr, "bench_echo: run it under scripts/with-services\n");
        return 1;
    }
    gst_init(&argc, &argv);
    Figures off;
    Figures on;
    if (!Measure(false, &off) || !Measure(true, &on)) {
        std::fprintf(stderr, "bench_echo: a call could not be measured\n");
        return 1;
    }
    std::printf("echo of A at A's speaker (B's speaker to B's microphone: 40 ms, -6 dB)\n");
    std::printf("  noise bursts: %6.1f dB without cancellation, %6.1f dB with\n", off.noiseEchoDb,
                on.noiseEchoDb);
    std::printf("  voice:        %6.1f dB without cancellation, %6.1f dB with\n", off.voiceEchoDb,
                on.voiceEchoDb);
    // The enhancement is judged against what reached B, which the canceller's
    // gain control also changes.
    const double erleNoise = off.noiseEchoDb - on.noiseEchoDb;
    const double erleVoice = (on.voiceAtBDb - on.voiceEchoDb) - (off.voiceAtBDb - off.voiceEchoDb);
    std::printf(
        "  echo return loss enhancement: noise %.1f dB, voice %.1f dB "
        "(goal: at least 25 dB after 2 s)\n",
        erleNoise, erleVoice);
    std::printf(
        "B's voice at A during double talk: %.1f dB without cancellation, %.1f dB with "
        "(goal: within 3 dB)\n",
        off.doubleTalkDb, on.doubleTalkDb);
    std::printf(
        "espeak-ng is not used: the voice is a gliding pitch with its harmonics, in "
        "syllables\n");
    return 0;
}
