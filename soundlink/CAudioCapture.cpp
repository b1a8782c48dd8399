#include "CAudioCapture.h"

#include <gst/gst.h>

#include "CSoundLog.h"
#include "ISampleSinkConfig.h"
#include "KivFilterRegistry.h"
#include "SoundLinkClock.h"
#include "SoundLinkDeviceName.h"
#include "SoundLinkDevices.h"
#include "SoundLinkStreamPriority.h"

namespace {

constexpr const char* kUnit = "AudioCapture";
constexpr const char* kAudioSources = "Audio/Source";
constexpr GstClockTime kStateWait = 5 * GST_SECOND;

void SetIfPresent(GstElement* element, const char* property, gint64 value) {
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), property) != nullptr) {
        g_object_set(element, property, value, nullptr);
    }
}

}  // namespace

CAudioCapture::~CAudioCapture() {
    Stop();
}

void CAudioCapture::SetFormat(int sampleRate, int bitsPerSample, int channels) {
    m_sampleRate = sampleRate;
    m_bitsPerSample = bitsPerSample;
    m_channels = channels;
}

void CAudioCapture::SetDeviceName(const std::string& name) {
    m_deviceName = name;
}

void CAudioCapture::SetEchoProbe(const std::string& probeName) {
    m_echoProbe = probeName;
}

CAudioCapture::Search CAudioCapture::FindDevice(bool byName, GstOwner<GstDevice>* device) {
    SoundLinkPrepareDeviceMonitors();
    GstOwner<GstDeviceMonitor> monitor(gst_device_monitor_new());
    if (!monitor) {
        return Search::Failed;
    }
    gst_device_monitor_add_filter(monitor.get(), kAudioSources, nullptr);
    if (!gst_device_monitor_start(monitor.get())) {
        return Search::Failed;
    }
    GList* devices = gst_device_monitor_get_devices(monitor.get());
    gst_device_monitor_stop(monitor.get());
    Search result = devices == nullptr ? Search::Empty : Search::Failed;
    for (GList* item = devices; item != nullptr; item = item->next) {
        auto* candidate = static_cast<GstDevice*>(item->data);
        if (!byName || SoundLinkDeviceName(candidate) == m_deviceName) {
            device->reset(GST_DEVICE(gst_object_ref(candidate)));
            result = Search::Found;
            break;
        }
    }
    g_list_free_full(devices, gst_object_unref);
    return result;
}

GstElement* CAudioCapture::MakeSource() {
    const bool byName = !m_deviceName.empty();
    GstOwner<GstDevice> device;
    Search search = FindDevice(byName, &device);
    const bool named = search == Search::Found && byName;
    if (search == Search::Failed) {
        m_lastError = kDeviceMissing;
        search = FindDevice(false, &device);
    }
    if (search == Search::Failed) {
        CSoundLog::Failed("Can't find audio capture device", CSoundLog::kFail, kUnit, 231);
        return nullptr;
    }
    if (search == Search::Empty) {
        CSoundLog::Failed("Failed to add audio capture device", CSoundLog::kFail, kUnit, 234);
        return nullptr;
    }
    // The default source is left to the sound server, which honours the
    // user's choice (and PULSE_SOURCE); a found name is taken as it is.
    GstElement* source = named ? gst_device_create_element(device.get(), "Audio Capture")
                               : gst_element_factory_make("pulsesrc", "Audio Capture");
    if (source == nullptr) {
        CSoundLog::Failed("Failed to add audio capture device", CSoundLog::kFail, kUnit, 234);
        return nullptr;
    }
    // Short reads keep the delay of the microphone low; a long buffer keeps
    // what the server recorded while our thread was held up, to come late
    // rather than be lost.
    SetIfPresent(source, "buffer-time", kSourceBufferUs);
    SetIfPresent(source, "latency-time", kSourcePeriodUs);
    return source;
}

GstElement* CAudioCapture::AddCanceller(GstElement* pipeline, GstElement* source) {
    m_cancelling = false;
    if (m_echoProbe.empty()) {
        return source;
    }
    // The canceller works on 16-bit interleaved sound at 8, 16, 32 or 48 kHz.
    GstElement* canceller = gst_element_factory_make("webrtcdsp", "Echo Canceller");
    if (canceller == nullptr || m_bitsPerSample != 16 ||
        (m_sampleRate != 8000 && m_sampleRate != 16000 && m_sampleRate != 32000 &&
         m_sampleRate != 48000)) {
        if (canceller != nullptr) {
            gst_object_unref(gst_object_ref_sink(canceller));
        }
        // The call goes on without it, through the plain graph.
        CSoundLog::Failed("Echo cancellation is not available", CSoundLog::kFail, kUnit, 270);
        return source;
    }
    GstOwner<GstCaps> caps(gst_caps_new_simple(
        "audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING, "interleaved",
        "rate", G_TYPE_INT, m_sampleRate, "channels", G_TYPE_INT, m_channels, nullptr));
    // The probe hands over what the speaker played with the time it is heard
    // and the microphone's sound carries the time it was recorded, on one
    // clock, so the canceller pairs them however the two threads run; the
    // extended filter covers the way through the room. Letting the canceller
    // guess the delay itself converges seconds later and cancels less.
    g_object_set(canceller, "probe", m_echoProbe.c_str(), "echo-cancel", TRUE, "noise-suppression",
                 m_noiseSuppression ? TRUE : FALSE, "gain-control", TRUE, "delay-agnostic", FALSE,
                 "extended-filter", TRUE, nullptr);
    gst_bin_add(GST_BIN(pipeline), canceller);
    if (!gst_element_link_filtered(source, canceller, caps.get())) {
        return nullptr;
    }
    SoundLinkShareClock(pipeline);
    m_cancelling = true;
    return canceller;
}

int CAudioCapture::Start() {
    Stop();
    GstOwner<GstElement> pipeline(gst_pipeline_new("capture"));
    if (!pipeline) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 209);
        return 0;
    }
    gst_object_ref_sink(pipeline.get());
    SoundLinkPrioritizeStreams(pipeline.get(), SoundLinkThreadKind::SoundCapture);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    if (convert == nullptr || resample == nullptr) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 222);
        return 0;
    }
    gst_bin_add_many(GST_BIN(pipeline.get()), convert, resample, nullptr);
    GstElement* source = MakeSource();
    if (source == nullptr) {
        return 0;
    }
    gst_bin_add(GST_BIN(pipeline.get()), source);
    // The sound server converts to the session's format, so every read is a
    // whole 10 ms: a resampler here would hand on uneven pieces, which the
    // canceller's 10 ms blocks then wait out.
    GstOwner<GstCaps> sessionCaps(gst_caps_new_simple(
        "audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout", G_TYPE_STRING, "interleaved",
        "rate", G_TYPE_INT, m_sampleRate, "channels", G_TYPE_INT, m_channels, nullptr));
    if (!gst_element_link_filtered(source, convert, sessionCaps.get()) &&
        !gst_element_link(source, convert)) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 238);
        return 0;
    }
    GstElement* renderer =
        gst_element_factory_make(KivFactoryForClsid(KivClsidSampleSink), "Null Render");
    if (renderer == nullptr) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 259);
        return 0;
    }
    gst_bin_add(GST_BIN(pipeline.get()), renderer);
    ISampleSinkConfig* config = nullptr;
    g_object_get(renderer, kSampleSinkConfigProperty, &config, nullptr);
    if (config == nullptr ||
        config->SetFormat(m_sampleRate, m_bitsPerSample, m_channels) != ISampleSinkConfig::kOk) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 263);
        return 0;
    }
    config->SetSampleEvent(this);
    GstElement* last = AddCanceller(pipeline.get(), resample);
    if (!gst_element_link(convert, resample) || last == nullptr ||
        !gst_element_link(last, renderer)) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 269);
        return 0;
    }
    m_pipeline = std::move(pipeline);
    return 1;
}

bool CAudioCapture::Run(IFrameEvent* sink) {
    if (!m_pipeline) {
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_sinkLock);
        m_sink = sink;
    }
    m_running = true;
    GstStateChangeReturn result = gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING);
    if (result == GST_STATE_CHANGE_ASYNC) {
        result = gst_element_get_state(m_pipeline.get(), nullptr, nullptr, kStateWait);
    }
    if (result == GST_STATE_CHANGE_FAILURE || result == GST_STATE_CHANGE_ASYNC) {
        CSoundLog::Failed("Failed to run the audio capture", CSoundLog::kFail, kUnit, 280);
        Stop();
        return false;
    }
    return true;
}

void CAudioCapture::Stop() {
    m_running = false;
    if (m_pipeline) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    }
    {
        std::lock_guard<std::mutex> guard(m_sinkLock);
        m_sink = nullptr;
    }
    // Released outside our lock: the renderer takes its own lock as it goes,
    // and its streaming thread holds that one while it waits for ours.
    m_pipeline.reset();
}

void CAudioCapture::OnRenderSample(const std::uint8_t* data, int length) {
    std::lock_guard<std::mutex> guard(m_sinkLock);
    if (m_sink != nullptr) {
        m_sink->OnFrame(data, length);
    }
}
