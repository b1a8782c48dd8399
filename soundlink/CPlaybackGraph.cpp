#include "CPlaybackGraph.h"

#include <gst/gst.h>

#include <algorithm>
#include <climits>

#include "CSoundLog.h"
#include "INetSourceControl.h"
#include "KivFilterRegistry.h"

namespace {

constexpr const char* kUnit = "AudioDecode";
constexpr int kPcmMode = 101;
constexpr int kSourceBufferSize = 4096;
constexpr GstClockTime kStateWait = 5 * GST_SECOND;

GstPadProbeReturn OnChunk(GstPad*, GstPadProbeInfo* info, gpointer graph) {
    if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info)) {
        static_cast<CPlaybackGraph*>(graph)->Refill(static_cast<int>(gst_buffer_get_size(buffer)));
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace

CPlaybackGraph::~CPlaybackGraph() {
    Stop();
}

bool CPlaybackGraph::Build(const Format& format) {
    Stop();
    const int frameBytes = format.channels * format.bitsPerSample / 8;
    if (format.sampleRate <= 0 || frameBytes <= 0) {
        CSoundLog::Failed("Bad playback format", CSoundLog::kFail, kUnit, 263);
        return false;
    }
    m_bytesPerMs = std::max(format.sampleRate * frameBytes / 1000, 1);
    m_queue.Configure(frameBytes, kQueueLimitMs * m_bytesPerMs);

    GstOwner<GstElement> pipeline(gst_pipeline_new("playback"));
    if (!pipeline) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 263);
        return false;
    }
    gst_object_ref_sink(pipeline.get());
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    if (convert == nullptr || resample == nullptr) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 276);
        return false;
    }
    gst_bin_add_many(GST_BIN(pipeline.get()), convert, resample, nullptr);

    const char* factory = KivFactoryForClsid(KivClsidNetSource);
    GstElement* source = gst_element_factory_make(factory, "Video Source");
    if (source == nullptr) {
        CSoundLog::Failed("Failed to create the network source", CSoundLog::kFail, kUnit, 285);
        return false;
    }
    gst_bin_add(GST_BIN(pipeline.get()), source);
    m_source.reset(GST_ELEMENT(gst_object_ref(source)));
    INetSourceControl* control = nullptr;
    g_object_get(source, kNetSourceControlProperty, &control, nullptr);
    if (control == nullptr ||
        control->SetAudioMode(kPcmMode, format.sampleRate, format.bitsPerSample, format.channels,
                              kSourceBufferSize) != INetSourceControl::kOk) {
        CSoundLog::Failed("Failed to set the audio mode", CSoundLog::kFail, kUnit, 288);
        m_source.reset();
        return false;
    }
    if (!gst_element_link_many(source, convert, resample, nullptr)) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 293);
        m_source.reset();
        return false;
    }
    GstElement* speaker = gst_element_factory_make("pulsesink", "Audio Renderer");
    if (speaker == nullptr) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 296);
        m_source.reset();
        return false;
    }
    // A call wants its sound now: a short device buffer, written in 10 ms periods.
    g_object_set(speaker, "buffer-time", static_cast<gint64>(kSinkBufferUs), "latency-time",
                 static_cast<gint64>(kSinkPeriodUs), nullptr);
    gst_bin_add(GST_BIN(pipeline.get()), speaker);
    if (!gst_element_link(resample, speaker)) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 296);
        m_source.reset();
        return false;
    }
    GstOwner<GstPad> pad(gst_element_get_static_pad(source, "src"));
    gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &OnChunk, this, nullptr);
    std::lock_guard<std::mutex> guard(m_refillLock);
    m_control = control;
    m_ringHeld = 0;
    m_windowMin = INT_MAX;
    m_windowChunks = 0;
    m_windowDry = false;
    m_pipeline = std::move(pipeline);
    return true;
}

bool CPlaybackGraph::Run() {
    if (!m_pipeline) {
        return false;
    }
    GstStateChangeReturn result = gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING);
    if (result == GST_STATE_CHANGE_ASYNC) {
        result = gst_element_get_state(m_pipeline.get(), nullptr, nullptr, kStateWait);
    }
    if (result == GST_STATE_CHANGE_FAILURE || result == GST_STATE_CHANGE_ASYNC) {
        CSoundLog::Failed("Failed to run the playback", CSoundLog::kFail, kUnit, 300);
        return false;
    }
    return true;
}

void CPlaybackGraph::Stop() {
    if (m_pipeline) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    }
    std::lock_guard<std::mutex> guard(m_refillLock);
    m_control = nullptr;
    m_source.reset();
    m_pipeline.reset();
}

void CPlaybackGraph::Push(const std::uint8_t* pcm, int length) {
    m_queue.Push(pcm, length);
}

void CPlaybackGraph::Refill(int chunkBytes) {
    std::lock_guard<std::mutex> guard(m_refillLock);
    if (chunkBytes <= 0 || m_control == nullptr) {
        return;
    }
    // The buffer going out took one chunk from the ring when it held one
    // (otherwise it was silence); only this thread pushes, so the count is exact.
    if (m_ringHeld >= chunkBytes) {
        m_ringHeld -= chunkBytes;
    } else {
        m_windowDry = true;
    }
    const int level = m_queue.Held() + m_ringHeld;
    m_windowMin = std::min(m_windowMin, level);
    if (++m_windowChunks * chunkBytes >= kTrimWindowMs * m_bytesPerMs) {
        // A window that ran dry shows the backlog is what the jitter needs.
        if (!m_windowDry && m_windowMin > kTrimAboveMs * m_bytesPerMs) {
            m_queue.Trim(m_queue.Held() - (m_windowMin - kKeepMs * m_bytesPerMs));
        }
        m_windowMin = INT_MAX;
        m_windowChunks = 0;
        m_windowDry = false;
    }
    const int wanted = kRingChunks * chunkBytes - m_ringHeld;
    if (wanted <= 0) {
        return;
    }
    m_scratch.resize(static_cast<size_t>(wanted));
    const int taken = m_queue.Pop(m_scratch.data(), wanted);
    if (taken > 0 && m_control->PushData(m_scratch.data(), taken, 0, 0) == INetSourceControl::kOk) {
        m_ringHeld += taken;
    }
}
