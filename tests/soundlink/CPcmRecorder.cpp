#include "CPcmRecorder.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <algorithm>
#include <string>

#include "KivGstPipeline.h"

namespace {

// GStreamer hands a recorder to a pooled streaming thread through GLib's own
// queue and takes it back at the stop through GLib's futex locks, neither of
// which the thread checker sees. Holding this lock around each delivery, and
// taking it once before the start and after the stop, orders both hand-overs
// where the checker can see them.
std::mutex g_handOver;

GstFlowReturn OnSample(GstAppSink* sink, gpointer recorder) {
    std::lock_guard<std::mutex> handOver(g_handOver);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (sample == nullptr) {
        return GST_FLOW_OK;
    }
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (buffer != nullptr && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        static_cast<CPcmRecorder*>(recorder)->Append(
            reinterpret_cast<const std::int16_t*>(map.data), map.size / 2);
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

}  // namespace

CPcmRecorder::CPcmRecorder(const char* sourceName) {
    gst_init(nullptr, nullptr);
    const std::string description =
        std::string("pulsesrc buffer-time=40000 latency-time=10000 device=") + sourceName +
        " ! audioconvert ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate=" +
        std::to_string(kRate) + " ! appsink name=sink sync=false";
    m_pipeline = gst_parse_launch(description.c_str(), nullptr);
    if (m_pipeline != nullptr) {
        GstElement* sink = gst_bin_get_by_name(GST_BIN(m_pipeline), "sink");
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &OnSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
        gst_object_unref(sink);
    }
}

CPcmRecorder::~CPcmRecorder() {
    KivReleasePipeline(m_pipeline);
    std::lock_guard<std::mutex> handOver(g_handOver);
}

bool CPcmRecorder::Start() {
    { std::lock_guard<std::mutex> handOver(g_handOver); }
    return KivPlayPipeline(m_pipeline);
}

std::size_t CPcmRecorder::Count() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_samples.size();
}

std::vector<std::int16_t> CPcmRecorder::Last(std::size_t count) const {
    std::lock_guard<std::mutex> guard(m_lock);
    const std::size_t first = m_samples.size() - std::min(count, m_samples.size());
    return std::vector<std::int16_t>(m_samples.begin() + static_cast<std::ptrdiff_t>(first),
                                     m_samples.end());
}

void CPcmRecorder::Append(const std::int16_t* samples, std::size_t count) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_samples.insert(m_samples.end(), samples, samples + count);
}

CTonePlayer::CTonePlayer(const char* sinkName, double frequency) {
    gst_init(nullptr, nullptr);
    const std::string description =
        "audiotestsrc is-live=true volume=0.5 freq=" + std::to_string(frequency) +
        " ! audio/x-raw,rate=32000,channels=2 ! pulsesink buffer-time=40000 "
        "latency-time=10000 device=" +
        sinkName;
    m_pipeline = gst_parse_launch(description.c_str(), nullptr);
}

CTonePlayer::~CTonePlayer() {
    KivReleasePipeline(m_pipeline);
}

bool CTonePlayer::Start() {
    return KivPlayPipeline(m_pipeline);
}
