// Mouth to ear: two processes with one audio session each call each other
// on loopback, each with its own microphone and speaker (PulseAudio null
// sinks). Twenty marked bursts (noise, 50 ms) are played into A's
// microphone; A's microphone and B's speaker are recorded in one pipeline,
// and each burst's delay is where the speaker's recording correlates best
// with the microphone's. Prints median, p95 and max, the delay budget of the
// pipeline, and the CPU each process used as a share of one core.
//
//   bench_mouth_to_ear [--no-echo-cancel] [--no-noise-suppression] [--libavcodec] [--lossy]
//                      [--minutes N]
//
// --libavcodec encodes with libavcodec's AAC encoder instead of ours.
//
// --lossy puts a relay of its own between the sides that drops 5 % of the
// datagrams at random and delays each by 0-40 ms; --minutes keeps measuring
// rounds of twenty bursts for that long and compares the first minute with
// the last, and prints the share of 10 ms windows of the bursts heard silent.
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
#include "CLossyRelay.h"
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

    const QStringList arguments = app.arguments();
    const bool lossy = arguments.contains(QStringLiteral("--lossy"));
    const int minutesAt = arguments.indexOf(QStringLiteral("--minutes"));
    const double minutes = minutesAt > 0 && minutesAt + 1 < arguments.size()
                               ? arguments[minutesAt + 1].toDouble()
                               : 0.0;
    const auto [portA, portB] = KivFreeUdpPorts();
    CLossyRelay relay(0.05, 40);
    if (lossy && !relay.Start(portA, portB)) {
        std::fprintf(stderr, "bench_mouth_to_ear: the relay does not start\n");
        return 1;
    }
    CSoundPeer peerA;
    CSoundPeer peerB;
    const bool echoCancel = !arguments.contains(QStringLiteral("--no-echo-cancel"));
    const bool libavcodec = arguments.contains(QStringLiteral("--libavcodec"));
    QStringList options;
    if (!echoCancel) {
        options << QStringLiteral("--echo-cancel") << QStringLiteral("0");
    }
    if (libavcodec) {
        options << QStringLiteral("--encoder") << QStringLiteral("libavcodec");
    }
    const bool noiseSuppression = !arguments.contains(QStringLiteral("--no-noise-suppression"));
    if (!noiseSuppression) {
        options << QStringLiteral("--noise-suppression") << QStringLiteral("0");
    }
    if (!peerA.Start(dirA.path(), portA, lossy ? relay.PortForA() : portB,
                     sinks.micA + QStringLiteral(".monitor"), sinks.spkA, options) ||
        !peerB.Start(dirB.path(), portB, lossy ? relay.PortForB() : portA,
                     sinks.micB + QStringLiteral(".monitor"), sinks.spkB, options)) {
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
    std::vector<double> delays;
    std::vector<double> firstMinute;
    std::vector<double> lastMinute;
    int windows = 0;
    double silentWindows = 0.0;
    int rounds = 0;
    do {
        CMouthToEar meter(sinks.micA, sinks.spkB);
        if (!meter.StartRecording() || !meter.PlayBursts(kBursts)) {
            std::fprintf(stderr, "bench_mouth_to_ear: the bursts cannot be played\n");
            return 1;
        }
        QThread::msleep(500);
        const double at = wall.nsecsElapsed() / 60e9;
        const std::vector<double> round = meter.Delays();
        delays.insert(delays.end(), round.begin(), round.end());
        if (at <= 1.0) {
            firstMinute.insert(firstMinute.end(), round.begin(), round.end());
        }
        if (minutes > 1.0 && at >= minutes - 1.0) {
            lastMinute.insert(lastMinute.end(), round.begin(), round.end());
        }
        silentWindows += meter.SilentShare() * kBursts * 5;
        windows += kBursts * 5;
        ++rounds;
    } while (wall.nsecsElapsed() / 60e9 < minutes);
    peerB.Command(QStringLiteral("status"), QStringLiteral("waited"), 5000);
    const QString status =
        peerB.Output().section(QStringLiteral("status "), -1).section(QLatin1Char('\n'), 0, 0);
    const double seconds = wall.nsecsElapsed() / 1e9;
    const double shareA = (KivProcessCpuSeconds(peerA.ProcessId()) - cpuA) / seconds;
    const double shareB = (KivProcessCpuSeconds(peerB.ProcessId()) - cpuB) / seconds;
    std::printf(
        "mouth to ear over %zu of %d bursts in %.1f min (%s, PulseAudio null sinks, "
        "echo cancellation %s)\n",
        delays.size(), kBursts * rounds, seconds / 60.0,
        lossy ? "relay dropping 5 %, delaying 0-40 ms" : "loopback", echoCancel ? "on" : "off");
    if (!delays.empty()) {
        std::printf("  median %.1f ms   p95 %.1f ms   max %.1f ms   (goal: median <= %d%s)\n",
                    CMouthToEar::Percentile(delays, 0.5), CMouthToEar::Percentile(delays, 0.95),
                    *std::max_element(delays.begin(), delays.end()), lossy ? 170 : 120,
                    lossy ? ", p95 <= 220" : ", at most 150");
    }
    if (!firstMinute.empty() && !lastMinute.empty()) {
        std::printf("  median of the first minute %.1f ms, of the last %.1f ms (goal: within 20)\n",
                    CMouthToEar::Percentile(firstMinute, 0.5),
                    CMouthToEar::Percentile(lastMinute, 0.5));
    }
    std::printf("  10 ms windows of the bursts heard silent: %.1f %% (goal: below 2 %%)\n",
                windows > 0 ? 100.0 * silentWindows / windows : 0.0);
    std::printf("budget, as configured (the playout's delay as B measured it at the end):\n");
    std::printf("  capture              %5.1f ms  (read every %d ms)\n",
                CAudioCapture::kSourcePeriodUs / 1000.0, CAudioCapture::kSourcePeriodUs / 1000);
    if (echoCancel) {
        std::printf(
            "  echo canceller      ~%5.1f ms  (against --no-echo-cancel; %s)\n",
            noiseSuppression ? 10.0 : 0.0,
            noiseSuppression ? "its noise suppressor's look-ahead" : "without noise suppression");
    }
    std::printf(
        "  encoder             %5.1f ms  (a frame filled, %.0f ms; kept until the next chunk, "
        "10 ms%s)\n",
        kEncoderFrameMs * (libavcodec ? 2 : 1) + 10.0, kEncoderFrameMs,
        libavcodec ? "; libavcodec's look-ahead, one frame" : "");
    std::printf("  codec overlap       %5.1f ms  (the decoder's output lags one frame)\n",
                kEncoderFrameMs);
    std::printf("  network              %5.1f ms  (loopback; 1 ms pacing per datagram)\n", 1.0);
    const int playoutMs = status.section(QLatin1Char(' '), 1, 1).toInt();
    std::printf(
        "  playout             %5.1f ms  (the schedule's delay %d ms, asked a chunk ahead %d "
        "ms)\n",
        playoutMs + double(CPlaybackGraph::kChunkMs), playoutMs, CPlaybackGraph::kChunkMs);
    // The canceller's speaker has the roomier buffer.
    const int period =
        echoCancel ? CPlaybackGraph::kRoomySinkPeriodUs : CPlaybackGraph::kSinkPeriodUs;
    const int buffer =
        echoCancel ? CPlaybackGraph::kRoomySinkBufferUs : CPlaybackGraph::kSinkBufferUs;
    std::printf("  speaker             %5.1f ms  (period %d ms, buffer %d ms)\n",
                (period + buffer) / 1000.0, period / 1000, buffer / 1000);
    std::printf("  B's playout at the end: %s\n", qPrintable(status));
    std::printf("CPU of one call, share of one core: A %.1f %%, B %.1f %% (goal: below 10 %%)\n",
                100.0 * shareA, 100.0 * shareB);
    peerA.Command(QStringLiteral("quit"), QStringLiteral("\x01"), 100);
    peerB.Command(QStringLiteral("quit"), QStringLiteral("\x01"), 100);
    return delays.empty() ? 1 : 0;
}
