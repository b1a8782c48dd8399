// Mouth to ear: two processes with one audio session each call each other
// on loopback, each with its own microphone and speaker (PulseAudio null
// sinks). Twenty marked bursts (noise, 50 ms) are played into A's
// microphone; A's microphone and B's speaker are recorded in one pipeline,
// and each burst's delay is where the speaker's recording correlates best
// with the microphone's. Prints median, p95 and max, the delay budget of the
// pipeline, and the CPU each process used as a share of one core.
//
// Run under scripts/with-services (it needs PULSE_SERVER).
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <random>
#include <vector>

#include "CAudioCapture.h"
#include "CPlaybackGraph.h"
#include "CPulseDevices.h"
#include "CSoundPeer.h"

namespace {

constexpr int kRate = 32000;
constexpr int kBursts = 20;
constexpr int kBurstSamples = kRate / 20;  // 50 ms
constexpr int kPeriodSamples = kRate / 2;  // one burst every 500 ms
constexpr int kSearchSamples = kRate;      // delays up to one second
constexpr double kEncoderFrameMs = 2048.0 * 1000.0 / (2.0 * kRate);

// One monitor recorded as mono 16-bit PCM, with the running time of its
// first sample.
struct Track {
    std::mutex lock;
    std::vector<std::int16_t> samples;
    GstClockTime first = GST_CLOCK_TIME_NONE;
};

GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
    auto* track = static_cast<Track*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (sample == nullptr) {
        return GST_FLOW_OK;
    }
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (buffer != nullptr && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        std::lock_guard<std::mutex> guard(track->lock);
        if (track->first == GST_CLOCK_TIME_NONE) {
            track->first = GST_BUFFER_PTS(buffer);
        }
        const auto* pcm = reinterpret_cast<const std::int16_t*>(map.data);
        track->samples.insert(track->samples.end(), pcm, pcm + map.size / 2);
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void Attach(GstElement* pipeline, const char* name, Track* track) {
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), name);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, track, nullptr);
    gst_object_unref(sink);
}

bool Play(GstElement* pipeline) {
    GstStateChangeReturn result = gst_element_set_state(pipeline, GST_STATE_PLAYING);
    if (result == GST_STATE_CHANGE_ASYNC) {
        result = gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND);
    }
    return result != GST_STATE_CHANGE_FAILURE && result != GST_STATE_CHANGE_ASYNC;
}

// Silence with a noise burst at the start of every period, stereo.
std::vector<std::int16_t> MakeSignal() {
    std::mt19937 random(2026);
    std::uniform_int_distribution<int> noise(-9000, 9000);
    std::vector<std::int16_t> stereo(static_cast<size_t>(kPeriodSamples) * (kBursts + 2) * 2, 0);
    for (int burst = 0; burst < kBursts; ++burst) {
        const size_t start = static_cast<size_t>(kPeriodSamples) * (burst + 1);
        for (int i = 0; i < kBurstSamples; ++i) {
            const auto value = static_cast<std::int16_t>(noise(random));
            stereo[(start + static_cast<size_t>(i)) * 2] = value;
            stereo[(start + static_cast<size_t>(i)) * 2 + 1] = value;
        }
    }
    return stereo;
}

// First sample at or after from whose magnitude passes threshold, or -1.
long Onset(const std::vector<std::int16_t>& samples, size_t from, int threshold) {
    for (size_t i = from; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > threshold) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

// Lag (in samples) in [0, kSearchSamples) where output matches input[start..] best.
long BestLag(const std::vector<std::int16_t>& input, long start,
             const std::vector<std::int16_t>& output, long outputStart, double* quality) {
    double best = 0.0;
    long bestLag = -1;
    double inputEnergy = 0.0;
    for (int i = 0; i < kBurstSamples; ++i) {
        inputEnergy += double(input[size_t(start + i)]) * input[size_t(start + i)];
    }
    for (long lag = 0; lag < kSearchSamples; ++lag) {
        const long at = outputStart + lag;
        if (at < 0 || at + kBurstSamples > static_cast<long>(output.size())) {
            continue;
        }
        double sum = 0.0;
        double energy = 0.0;
        for (int i = 0; i < kBurstSamples; ++i) {
            const double o = output[size_t(at + i)];
            sum += double(input[size_t(start + i)]) * o;
            energy += o * o;
        }
        const double score = energy > 0.0 ? sum / std::sqrt(energy * inputEnergy) : 0.0;
        if (score > best) {
            best = score;
            bestLag = lag;
        }
    }
    *quality = best;
    return bestLag;
}

double CpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0.0;
    }
    const QByteArray line = stat.readAll();
    // Fields after the command name, which ends with the last ')'.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const size_t index =
        std::min(values.size() - 1, static_cast<size_t>(std::ceil(share * values.size())) - 1);
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        std::fprintf(stderr, "bench_mouth_to_ear: run it under scripts/with-services\n");
        return 1;
    }
    gst_init(&argc, &argv);
    const QString tag = QString::number(QCoreApplication::applicationPid());
    const QString micA = QStringLiteral("bench_a_mic_") + tag;
    const QString spkA = QStringLiteral("bench_a_spk_") + tag;
    const QString micB = QStringLiteral("bench_b_mic_") + tag;
    const QString spkB = QStringLiteral("bench_b_spk_") + tag;
    CPulseDevices devices;
    for (const QString& name : {micA, spkA, micB, spkB}) {
        if (!devices.AddSink(name)) {
            std::fprintf(stderr, "bench_mouth_to_ear: cannot load a null sink\n");
            return 1;
        }
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

    Track mouth;
    Track ear;
    const QByteArray recordDescription =
        QStringLiteral(
            "pulsesrc device=%1.monitor provide-clock=false buffer-time=20000 latency-time=5000 ! "
            "audioconvert ! "
            "audioresample ! audio/x-raw,format=S16LE,channels=1,rate=32000 ! appsink name=mouth "
            "sync=false "
            "pulsesrc device=%2.monitor provide-clock=false buffer-time=20000 latency-time=5000 ! "
            "audioconvert ! "
            "audioresample ! audio/x-raw,format=S16LE,channels=1,rate=32000 ! appsink name=ear "
            "sync=false")
            .arg(micA, spkB)
            .toLatin1();
    GstElement* recorder = gst_parse_launch(recordDescription.constData(), nullptr);
    Attach(recorder, "mouth", &mouth);
    Attach(recorder, "ear", &ear);
    if (!Play(recorder)) {
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
    if (!peerA.Start(dirA.path(), portA, portB, micA + QStringLiteral(".monitor"), spkA) ||
        !peerB.Start(dirB.path(), portB, portA, micB + QStringLiteral(".monitor"), spkB)) {
        std::fprintf(stderr, "bench_mouth_to_ear: a peer did not start\n%s\n%s\n",
                     qPrintable(peerA.Output()), qPrintable(peerB.Output()));
        return 1;
    }
    // Let both calls settle before measuring.
    QThread::msleep(1500);

    const std::vector<std::int16_t> signal = MakeSignal();
    const QByteArray playDescription =
        QStringLiteral(
            "appsrc name=mouth format=time is-live=true do-timestamp=true "
            "caps=audio/x-raw,format=S16LE,layout=interleaved,rate=32000,channels=2 ! "
            "pulsesink sync=false buffer-time=20000 latency-time=5000 device=%1")
            .arg(micA)
            .toLatin1();
    GstElement* player = gst_parse_launch(playDescription.constData(), nullptr);
    GstElement* source = gst_bin_get_by_name(GST_BIN(player), "mouth");
    Play(player);
    const double cpuA = CpuSeconds(peerA.ProcessId());
    const double cpuB = CpuSeconds(peerB.ProcessId());
    QElapsedTimer wall;
    wall.start();
    // 10 ms pieces at real time, as a microphone would deliver them.
    const size_t piece = static_cast<size_t>(kRate / 100) * 2;
    for (size_t at = 0; at < signal.size(); at += piece) {
        const size_t count = std::min(piece, signal.size() - at);
        GstBuffer* buffer = gst_buffer_new_memdup(signal.data() + at, count * 2);
        gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
        while (wall.nsecsElapsed() < static_cast<qint64>((at + count) / 2) * 1000000000LL / kRate) {
            QThread::usleep(500);
        }
    }
    QThread::msleep(1500);
    peerB.Command(QStringLiteral("status"), QStringLiteral("dropped"), 5000);
    const QString status =
        peerB.Output().section(QStringLiteral("status "), -1).section(QLatin1Char('\n'), 0, 0);
    const double seconds = wall.nsecsElapsed() / 1e9;
    const double shareA = (CpuSeconds(peerA.ProcessId()) - cpuA) / seconds;
    const double shareB = (CpuSeconds(peerB.ProcessId()) - cpuB) / seconds;
    gst_object_unref(source);
    gst_element_set_state(player, GST_STATE_NULL);
    gst_object_unref(player);
    gst_element_set_state(recorder, GST_STATE_NULL);
    gst_object_unref(recorder);

    // Both tracks on one time line: the ear's samples shifted by the
    // difference of their first time stamps.
    const long shift = static_cast<long>(
        (static_cast<double>(ear.first) - static_cast<double>(mouth.first)) * kRate / 1e9);
    std::vector<double> delays;
    size_t from = 0;
    for (int burst = 0; burst < kBursts; ++burst) {
        const long start = Onset(mouth.samples, from, 2000);
        if (start < 0 || start + kBurstSamples > static_cast<long>(mouth.samples.size())) {
            break;
        }
        from = static_cast<size_t>(start + kPeriodSamples / 2);
        double quality = 0.0;
        const long lag = BestLag(mouth.samples, start, ear.samples, start - shift, &quality);
        if (lag >= 0 && quality > 0.5) {
            delays.push_back(lag * 1000.0 / kRate);
        }
    }
    std::printf("mouth to ear over %zu of %d bursts (loopback, PulseAudio null sinks)\n",
                delays.size(), kBursts);
    if (!delays.empty()) {
        std::printf(
            "  median %.1f ms   p95 %.1f ms   max %.1f ms   (goal: median <= 150, p95 <= 200)\n",
            Percentile(delays, 0.5), Percentile(delays, 0.95),
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
        "  playback buffer      %5.1f ms  (kept %d ms + source ring %d x 10 ms + half a frame of "
        "arrival "
        "jitter %.0f ms + speaker buffer %d ms)\n",
        CPlaybackGraph::kKeepMs + CPlaybackGraph::kRingChunks * 10.0 + kEncoderFrameMs / 2 +
            CPlaybackGraph::kSinkBufferUs / 1000.0,
        CPlaybackGraph::kKeepMs, CPlaybackGraph::kRingChunks, kEncoderFrameMs / 2,
        CPlaybackGraph::kSinkBufferUs / 1000);
    std::printf("  B's playback backlog at the end: %s ms\n", qPrintable(status));
    std::printf("CPU of one call, share of one core: A %.1f %%, B %.1f %% (goal: below 10 %%)\n",
                100.0 * shareA, 100.0 * shareB);
    peerA.Command(QStringLiteral("quit"), QStringLiteral("\x01"), 100);
    peerB.Command(QStringLiteral("quit"), QStringLiteral("\x01"), 100);
    return delays.empty() ? 1 : 0;
}
