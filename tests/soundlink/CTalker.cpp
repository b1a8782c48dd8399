#include "CTalker.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "KivGstPipeline.h"

namespace {

constexpr int kPieceSamples = CTalker::kRate / 100;

// A hash of the sample index: white noise that is the same in every run.
double Noise(std::int64_t index) {
    std::uint64_t x = static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull;
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 32;
    return (x & 0xFFFF) / 32768.0 - 1.0;
}

}  // namespace

CTalker::CTalker(const QString& sinkName, Voice voice, double pitchHz)
    : m_voice(voice), m_pitchHz(pitchHz) {
    gst_init(nullptr, nullptr);
    const QByteArray description =
        QStringLiteral(
            "appsrc name=talk is-live=true format=time do-timestamp=true "
            "caps=audio/x-raw,format=S16LE,layout=interleaved,rate=32000,channels=2 ! "
            "pulsesink buffer-time=40000 latency-time=10000 device=%1")
            .arg(sinkName)
            .toLatin1();
    m_pipeline = gst_parse_launch(description.constData(), nullptr);
    if (m_pipeline != nullptr) {
        m_source = gst_bin_get_by_name(GST_BIN(m_pipeline), "talk");
    }
}

CTalker::~CTalker() {
    m_stop = true;
    if (m_pusher.joinable()) {
        m_pusher.join();
    }
    if (m_source != nullptr) {
        gst_object_unref(m_source);
    }
    KivReleasePipeline(m_pipeline);
}

bool CTalker::Start() {
    if (m_source == nullptr ||
        gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        return false;
    }
    m_pusher = std::thread([this] { Push(); });
    return true;
}

std::vector<std::int16_t> CTalker::Signal(std::int64_t from, int count) const {
    std::vector<std::int16_t> samples(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::int64_t n = from + i;
        const double t = double(n) / kRate;
        double value = 0.0;
        if (m_voice == Voice::NoiseBursts) {
            // 250 ms of noise, 250 ms of silence.
            value = (n / (kRate / 4)) % 2 == 0 ? 0.3 * Noise(n) : 0.0;
        } else {
            // Syllables of 200 ms with pauses of 100 ms, the pitch gliding.
            const double syllable = std::fmod(t, 0.3);
            const double envelope = syllable < 0.2 ? std::sin(M_PI * syllable / 0.2) : 0.0;
            const double pitch = m_pitchHz * (1.0 + 0.15 * std::sin(2 * M_PI * 0.8 * t));
            // The phase of a gliding pitch: the integral of its frequency.
            const double phase = 2 * M_PI *
                                 (m_pitchHz * t - m_pitchHz * 0.15 / (2 * M_PI * 0.8) *
                                                      std::cos(2 * M_PI * 0.8 * t));
            for (int k = 1; k * pitch < 4000.0; ++k) {
                value += std::sin(k * phase) / k;
            }
            value = 0.2 * envelope * value + 0.01 * envelope * Noise(n);
        }
        samples[size_t(i)] = static_cast<std::int16_t>(std::clamp(value, -1.0, 1.0) * 32767);
    }
    return samples;
}

void CTalker::Push() {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::int16_t> stereo(kPieceSamples * 2);
    for (std::int64_t at = 0; !m_stop; at += kPieceSamples) {
        const std::vector<std::int16_t> mono = Signal(at, kPieceSamples);
        for (int i = 0; i < kPieceSamples; ++i) {
            stereo[size_t(i) * 2] = stereo[size_t(i) * 2 + 1] = mono[size_t(i)];
        }
        gst_app_src_push_buffer(GST_APP_SRC(m_source),
                                gst_buffer_new_memdup(stereo.data(), stereo.size() * 2));
        std::this_thread::sleep_until(
            start + std::chrono::microseconds((at + kPieceSamples) * 1000000 / kRate));
    }
}
