#include "CMouthToEar.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>

#include "KivGstPipeline.h"

// One monitor recorded as mono 16-bit PCM, with the running time of its
// first sample. Every buffer lies at its own time stamp: where the recorder
// lost buffers the gap holds silence, so what follows keeps its time instead
// of moving forward and reading as a jump of the delay.
struct CMouthToEar::Track {
    std::mutex lock;
    std::vector<std::int16_t> samples;
    GstClockTime first = GST_CLOCK_TIME_NONE;
    // Samples of silence put in for lost buffers, and of sound written over.
    std::int64_t filled = 0;
    std::int64_t overlapped = 0;

    void Place(GstClockTime stamp, const std::int16_t* pcm, size_t count);
};

namespace {

constexpr int kRate = CMouthToEar::kRate;
constexpr int kBurstSamples = kRate / 20;  // 50 ms
constexpr int kPeriodSamples = kRate / 2;  // one burst every 500 ms
constexpr int kSearchSamples = kRate;      // delays up to one second
constexpr int kNearSamples = kRate / 25;   // 40 ms either side of the onset

// Time stamps of a live recording wander by a little; within this they
// count as following on.
constexpr std::int64_t kJoinSamples = kRate / 1000;  // 1 ms

template <class Track>
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
        track->Place(GST_BUFFER_PTS(buffer), reinterpret_cast<const std::int16_t*>(map.data),
                     map.size / 2);
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

template <class Track>
void Attach(GstElement* pipeline, const char* name, Track* track) {
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), name);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &OnSample<Track>;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, track, nullptr);
    gst_object_unref(sink);
}

// Silence with a noise burst at the start of every period, stereo.
std::vector<std::int16_t> MakeSignal(int bursts) {
    std::mt19937 random(2026);
    std::uniform_int_distribution<int> noise(-9000, 9000);
    std::vector<std::int16_t> stereo(static_cast<size_t>(kPeriodSamples) * (bursts + 2) * 2, 0);
    for (int burst = 0; burst < bursts; ++burst) {
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

// Lag (in samples) in [fromLag, toLag) where output matches input[start..] best.
long BestLag(const std::vector<std::int16_t>& input, long start,
             const std::vector<std::int16_t>& output, long outputStart, long fromLag, long toLag,
             double* quality) {
    double best = 0.0;
    long bestLag = -1;
    double inputEnergy = 0.0;
    for (int i = 0; i < kBurstSamples; ++i) {
        inputEnergy += double(input[size_t(start + i)]) * input[size_t(start + i)];
    }
    for (long lag = std::max(fromLag, 0L); lag < std::min(toLag, long(kSearchSamples)); ++lag) {
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

// The burst's 10 ms windows at `start` against the speaker's at `heard`
// (-1: not heard); a window 20 dB weaker than what was said counts silent.
void CountSilence(const std::vector<std::int16_t>& said, long start,
                  const std::vector<std::int16_t>& ear, long heard, int* windows, int* silent) {
    constexpr int kWindow = kRate / 100;
    for (int offset = 0; offset + kWindow <= kBurstSamples; offset += kWindow) {
        double spoken = 0.0;
        double got = 0.0;
        for (int i = 0; i < kWindow; ++i) {
            spoken += double(said[size_t(start + offset + i)]) * said[size_t(start + offset + i)];
            const long at = heard + offset + i;
            if (heard >= 0 && at >= 0 && at < static_cast<long>(ear.size())) {
                got += double(ear[size_t(at)]) * ear[size_t(at)];
            }
        }
        ++*windows;
        if (got < spoken / 100.0) {
            ++*silent;
        }
    }
}

}  // namespace

void CMouthToEar::Track::Place(GstClockTime stamp, const std::int16_t* pcm, size_t count) {
    if (first == GST_CLOCK_TIME_NONE) {
        first = stamp;
    }
    const auto end = static_cast<std::int64_t>(samples.size());
    std::int64_t at = end;
    if (stamp != GST_CLOCK_TIME_NONE && first != GST_CLOCK_TIME_NONE) {
        const double offset =
            (static_cast<double>(stamp) - static_cast<double>(first)) * kRate / 1e9;
        at = static_cast<std::int64_t>(std::llround(offset));
    }
    if (std::llabs(at - end) <= kJoinSamples || at < 0) {
        at = end;
    }
    if (at > end) {
        filled += at - end;
    } else if (at < end) {
        overlapped += std::min<std::int64_t>(end - at, static_cast<std::int64_t>(count));
    }
    if (static_cast<size_t>(at) + count > samples.size()) {
        samples.resize(static_cast<size_t>(at) + count, 0);
    }
    std::copy(pcm, pcm + count, samples.begin() + at);
}

double CMouthToEar::SilentShare() const {
    return m_windows > 0 ? double(m_silentWindows) / m_windows : 0.0;
}

CMouthToEar::CMouthToEar(const QString& microphoneSink, const QString& speakerSink)
    : m_microphone(microphoneSink),
      m_mouth(std::make_unique<Track>()),
      m_ear(std::make_unique<Track>()) {
    gst_init(nullptr, nullptr);
    const QByteArray description =
        QStringLiteral(
            "pulsesrc device=%1.monitor provide-clock=false buffer-time=20000 latency-time=5000 ! "
            "audioconvert ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate=32000 ! "
            "appsink name=mouth sync=false "
            "pulsesrc device=%2.monitor provide-clock=false buffer-time=20000 latency-time=5000 ! "
            "audioconvert ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate=32000 ! "
            "appsink name=ear sync=false")
            .arg(microphoneSink, speakerSink)
            .toLatin1();
    m_recorder = gst_parse_launch(description.constData(), nullptr);
    if (m_recorder != nullptr) {
        Attach(m_recorder, "mouth", m_mouth.get());
        Attach(m_recorder, "ear", m_ear.get());
    }
}

CMouthToEar::~CMouthToEar() {
    KivReleasePipeline(m_recorder);
}

bool CMouthToEar::StartRecording() {
    return KivPlayPipeline(m_recorder);
}

bool CMouthToEar::PlayBursts(int bursts) {
    const std::vector<std::int16_t> signal = MakeSignal(bursts);
    const QByteArray description =
        QStringLiteral(
            "appsrc name=mouth format=time is-live=true do-timestamp=true "
            "caps=audio/x-raw,format=S16LE,layout=interleaved,rate=32000,channels=2 ! "
            "pulsesink sync=false buffer-time=20000 latency-time=5000 device=%1")
            .arg(m_microphone)
            .toLatin1();
    GstElement* player = gst_parse_launch(description.constData(), nullptr);
    // Not waited for: the speaker prerolls only on the first piece pushed below.
    if (player == nullptr ||
        gst_element_set_state(player, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        KivReleasePipeline(player);
        return false;
    }
    GstElement* source = gst_bin_get_by_name(GST_BIN(player), "mouth");
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
    gst_object_unref(source);
    KivReleasePipeline(player);
    m_bursts += bursts;
    return true;
}

std::vector<double> CMouthToEar::Delays() {
    KivReleasePipeline(m_recorder);
    std::lock_guard<std::mutex> mouthGuard(m_mouth->lock);
    std::lock_guard<std::mutex> earGuard(m_ear->lock);
    for (const Track* track : {m_mouth.get(), m_ear.get()}) {
        if (track->filled > 0 || track->overlapped > 0) {
            std::fprintf(stderr,
                         "recording of the %s: %.1f ms lost (filled with silence), %.1f ms "
                         "written twice\n",
                         track == m_mouth.get() ? "mouth" : "ear", track->filled * 1000.0 / kRate,
                         track->overlapped * 1000.0 / kRate);
        }
    }
    // Both tracks on one time line: the ear's samples shifted by the
    // difference of their first time stamps.
    const long shift = static_cast<long>(
        (static_cast<double>(m_ear->first) - static_cast<double>(m_mouth->first)) * kRate / 1e9);
    std::vector<double> delays;
    size_t from = 0;
    for (int burst = 0; burst < m_bursts; ++burst) {
        const long start = Onset(m_mouth->samples, from, 2000);
        if (start < 0 || start + kBurstSamples > static_cast<long>(m_mouth->samples.size())) {
            break;
        }
        from = static_cast<size_t>(start + kPeriodSamples / 2);
        // Looked for first around where the ear's sound starts: the whole
        // second of lags takes a core for a second per round, which the call
        // being measured would miss.
        double quality = 0.0;
        long lag = -1;
        const long heard = Onset(m_ear->samples, size_t(std::max(start - shift, 0L)), 2000);
        if (heard >= 0) {
            const long near = heard - (start - shift);
            lag = BestLag(m_mouth->samples, start, m_ear->samples, start - shift,
                          near - kNearSamples, near + kNearSamples, &quality);
        }
        if (lag < 0 || quality <= 0.3) {
            lag = BestLag(m_mouth->samples, start, m_ear->samples, start - shift, 0, kSearchSamples,
                          &quality);
        }
        // The canceller's noise suppression and gain reshape the burst, so a
        // match is weaker than through the codec alone; chance stays far below.
        const bool found = lag >= 0 && quality > 0.3;
        if (found) {
            delays.push_back(lag * 1000.0 / kRate);
        }
        CountSilence(m_mouth->samples, start, m_ear->samples, found ? start - shift + lag : -1,
                     &m_windows, &m_silentWindows);
    }
    return delays;
}

double CMouthToEar::Percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return -1.0;
    }
    std::sort(values.begin(), values.end());
    const size_t index =
        std::min(values.size() - 1, static_cast<size_t>(std::ceil(share * values.size())) - 1);
    return values[index];
}
