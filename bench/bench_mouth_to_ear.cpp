// Mouth to ear: two processes with one audio session each call each other
// on loopback, each with its own microphone and speaker (PulseAudio null
// sinks). Twenty marked bursts (noise, 50 ms) are played into A's
// microphone; A's microphone and B's speaker are recorded in one pipeline,
// and each burst's delay is where the speaker's recording correlates best
// with the microphone's. Prints median, p95 and max, the delay budget of the
// pipeline, and the CPU each process used as a share of one core.
//
// Run under scripts/with-services (it needs PULSE_SERVER).
#include <gst/gst.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "CAudioCapture.h"
#include "CMouthToEar.h"
#include "CPlaybackGraph.h"
#include "CPulseDevices.h"
#include "CSoundPeer.h"
#include "KivProcessCpu.h"

namespace {

constexpr int kBursts = 20;
constexpr double kEncoderFrameMs = 2048.0 * 1000.0 / (2.0 * CMouthToEar::kRate);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        std::fprintf(stderr, "bench_mouth_to_ear: run it under scripts/with-services\n");
        return 1;
    }
    gst_init(&argc, &argv);
    CPulseDevices devices;
    CCallSinks sinks;
    if (!devices.AddCallSinks(QStringLiteral("bench_"), &sinks)) {
        std::fprintf(stderr, "bench_mouth_to_ear: cannot load a null sink\n");
        return 1;
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

    CMouthToEar meter(sinks.micA, sinks.spkB);
    if (!meter.StartRecording()) {
        std::fprintf(stderr, "bench_mouth_to_ear: the recorder does not run\n");
        return 1;
    }

    const int portA = KivFreeUdpPort();
    int portB = KivFreeUdpPort();
    while (portB == portA) {
        portB = KivFreeUdpPort();
    }
    CSoundPeer peerA;
    CSoundPeer peerB;
    const QStringList options =
        app.arguments().contains(QStringLiteral("--no-echo-cancel"))
            ? QStringList{QStringLiteral("--echo-cancel"), QStringLiteral("0")}
            : QStringList{};
    if (!peerA.Start(dirA.path(), portA, portB, sinks.micA + QStringLiteral(".monitor"), sinks.spkA,
                     options) ||
        !peerB.Start(dirB.path(), portB, portA, sinks.micB + QStringLiteral(".monitor"), sinks.spkB,
                     options)) {
        std::fprintf(stderr, "bench_mouth_to_ear: a peer did not start\n%s\n%s\n",
                     qPrintable(peerA.Output()), qPrintable(peerB.Output()));
        return 1;
    }
    // Let both calls settle before measuring: the first seconds of a call
    // are when the sender's pace and the playout's schedule find each other.
    QThread::msleep(4000);

    const double cpuA = KivProcessCpuSeconds(peerA.ProcessId());
    const double cpuB = KivProcessCpuSeconds(peerB.ProcessId());
    QElapsedTimer wall;
    wall.start();
    if (!meter.PlayBursts(kBursts)) {
        std::fprintf(stderr, "bench_mouth_to_ear: the bursts cannot be played\n");
        return 1;
    }
    QThread::msleep(1500);
    peerB.Command(QStringLiteral("status"), QStringLiteral("waited"), 5000);
    const QString status =
        peerB.Output().section(QStringLiteral("status "), -1).section(QLatin1Char('\n'), 0, 0);
    const double seconds = wall.nsecsElapsed() / 1e9;
    const double shareA = (KivProcessCpuSeconds(peerA.ProcessId()) - cpuA) / seconds;
    const double shareB = (KivProcessCpuSeconds(peerB.ProcessId()) - cpuB) / seconds;
    const std::vector<double> delays = meter.Delays();
    std::printf("mouth to ear over %zu of %d bursts (loopback, PulseAudio null sinks)\n",
                delays.size(), kBursts);
    if (!delays.empty()) {
        std::printf(
            "  median %.1f ms   p95 %.1f ms   max %.1f ms   (goal: median <= 150, p95 <= 200)\n",
            CMouthToEar::Percentile(delays, 0.5), CMouthToEar::Percentile(delays, 0.95),
            *std::max_element(delays.begin(), delays.end()));
    }
    std::printf("budget, as configured:\n");
    std::printf("  capture buffer       %5.1f ms  (source buffer %d ms, read every %d ms)\n",
                CAudioCapture::kSourcePeriodUs / 1000.0, CAudioCapture::kSourceBufferUs / 1000,
                CAudioCapture::kSourcePeriodUs / 1000);
    std::printf(
        "  encoder frames       %5.1f ms  (one frame buffered ahead, one frame of codec delay, "
        "%.0f ms each)\n",
        2 * kEncoderFrameMs, kEncoderFrameMs);
    std::printf("  network              %5.1f ms  (loopback; 1 ms pacing per datagram)\n", 1.0);
    std::printf("  decoder              %5.1f ms  (one frame in, its samples out)\n", 0.0);
    std::printf(
        "  playback buffer      %5.1f ms and up  (playout delay from %d ms + source ring %d x 10 "
        "ms + fade %d ms + speaker buffer %d ms)\n",
        CPlayoutBuffer::kMinDelayMs + CPlaybackGraph::kRingChunks * 10.0 + CPlayoutPcm::kFadeMs +
            CPlaybackGraph::kSinkBufferUs / 1000.0,
        CPlayoutBuffer::kMinDelayMs, CPlaybackGraph::kRingChunks, CPlayoutPcm::kFadeMs,
        CPlaybackGraph::kSinkBufferUs / 1000);
    std::printf("  B's playout at the end: %s\n", qPrintable(status));
    std::printf("CPU of one call, share of one core: A %.1f %%, B %.1f %% (goal: below 10 %%)\n",
                100.0 * shareA, 100.0 * shareB);
    peerA.Command(QStringLiteral("quit"), QStringLiteral("\x01"), 100);
    peerB.Command(QStringLiteral("quit"), QStringLiteral("\x01"), 100);
    return delays.empty() ? 1 : 0;
}
