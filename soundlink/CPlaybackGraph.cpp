#include "CPlaybackGraph.h"

#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "CSoundLog.h"
#include "INetSourceControl.h"
#include "INetSourcePull.h"
#include "KivFilterRegistry.h"
#include "SoundLinkClock.h"
#include "SoundLinkStreamPriority.h"

namespace {

constexpr const char* kUnit = "AudioDecode";
constexpr int kPcmMode = 101;
constexpr int kSourceBufferSize = 4096;
constexpr GstClockTime kStateWait = 5 * GST_SECOND;

// Moves a playing speaker to the roomier buffer: the sink takes its sizes
// only when it starts, so the pipeline goes back to READY for a moment.
void ResizeSpeaker(GstElement*, gpointer data);
void DropResize(gpointer data);

GstPadProbeReturn OnChunk(GstPad*, GstPadProbeInfo* info, gpointer data) {
    if (GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info)) {
        // The graph may be torn down once Refill returns: nothing of it is
        // touched after.
        const CPlaybackGraph::Heard heard = static_cast<CPlaybackGraph*>(data)->Refill(
            static_cast<int>(gst_buffer_get_size(buffer)));
        if (heard.atUs >= 0) {
            buffer = gst_buffer_make_writable(buffer);
            GST_PAD_PROBE_INFO_DATA(info) = buffer;
            GST_BUFFER_PTS(buffer) = heard.atUs * GST_USECOND;
            GST_BUFFER_DURATION(buffer) = heard.durationUs * GST_USECOND;
        }
    }
    return GST_PAD_PROBE_OK;
}

// The canceller finds its probe by name, so every probe of the process has its own.
std::string NewProbeName() {
    static std::atomic<int> next{0};
    return "kivechoprobe" + std::to_string(next++);
}

}  // namespace

// A resize on its way, shared with GStreamer's thread that makes it; the
// graph withdraws it when it stops.
struct CPlaybackGraph::Resize {
    std::mutex lock;
    bool wanted = true;
    GstOwner<GstElement> pipeline;
    GstOwner<GstElement> speaker;
};

namespace {

void ResizeSpeaker(GstElement*, gpointer data) {
    CPlaybackGraph::Resize& resize = **static_cast<std::shared_ptr<CPlaybackGraph::Resize>*>(data);
    std::lock_guard<std::mutex> guard(resize.lock);
    if (!resize.wanted) {
        return;
    }
    gst_element_set_state(resize.pipeline.get(), GST_STATE_READY);
    g_object_set(resize.speaker.get(), "buffer-time",
                 static_cast<gint64>(CPlaybackGraph::kRoomySinkBufferUs), "latency-time",
                 static_cast<gint64>(CPlaybackGraph::kRoomySinkPeriodUs), nullptr);
    gst_element_set_state(resize.pipeline.get(), GST_STATE_PLAYING);
}

void DropResize(gpointer data) {
    delete static_cast<std::shared_ptr<CPlaybackGraph::Resize>*>(data);
}

}  // namespace

CPlaybackGraph::~CPlaybackGraph() {
    Stop();
}

bool CPlaybackGraph::Build(const Format& format, const Options& options, Decoder decoder) {
    Stop();
    if (format.sampleRate <= 0 || format.channels <= 0 || format.bitsPerSample != 16) {
        CSoundLog::Failed("Bad playback format", CSoundLog::kFail, kUnit, 263);
        return false;
    }
    if (!BuildPipeline(format, options.echoProbe, options.speaker)) {
        return false;
    }
    m_format = format;
    m_echoProbe = options.echoProbe;
    std::lock_guard<std::mutex> guard(m_refillLock);
    // The speaker asks for a chunk as it is about to send it.
    m_playout.Configure(format.sampleRate, format.channels, std::int64_t(kChunkMs) * 1000,
                        std::move(decoder));
    return true;
}

bool CPlaybackGraph::BuildPipeline(const Format& format, bool echoProbe,
                                   const std::string& speakerName) {
    GstOwner<GstElement> pipeline(gst_pipeline_new("playback"));
    if (!pipeline) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 263);
        return false;
    }
    gst_object_ref_sink(pipeline.get());
    SoundLinkPrioritizeStreams(pipeline.get(), SoundLinkThreadKind::SoundPlayback);
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
    GstOwner<GstElement> sourceRef(GST_ELEMENT(gst_object_ref(source)));
    g_object_set(source, kNetSourcePullProperty, static_cast<INetSourcePull*>(this), nullptr);
    INetSourceControl* control = nullptr;
    g_object_get(source, kNetSourceControlProperty, &control, nullptr);
    if (control == nullptr ||
        control->SetAudioMode(kPcmMode, format.sampleRate, format.bitsPerSample, format.channels,
                              kSourceBufferSize) != INetSourceControl::kOk) {
        CSoundLog::Failed("Failed to set the audio mode", CSoundLog::kFail, kUnit, 288);
        return false;
    }
    if (!gst_element_link_many(source, convert, resample, nullptr)) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 293);
        return false;
    }
    GstElement* last = resample;
    std::string probeName;
    if (echoProbe) {
        // The probe hands the canceller what was played with the time it is
        // heard, on the microphone's clock.
        SoundLinkShareClock(pipeline.get());
        gst_pipeline_set_latency(GST_PIPELINE(pipeline.get()), 0);
        // Without the probe the call still plays, through the plain graph.
        probeName = NewProbeName();
        GstElement* probe = gst_element_factory_make("webrtcechoprobe", probeName.c_str());
        if (probe == nullptr) {
            CSoundLog::Failed("Failed to create the echo probe", CSoundLog::kFail, kUnit, 294);
            probeName.clear();
        } else {
            gst_bin_add(GST_BIN(pipeline.get()), probe);
            if (!gst_element_link(resample, probe)) {
                CSoundLog::Failed(CSoundLog::kFail, kUnit, 295);
                return false;
            }
            last = probe;
        }
    }
    GstElement* speaker = gst_element_factory_make("pulsesink", "Audio Renderer");
    if (speaker == nullptr) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 296);
        return false;
    }
    // A call wants its sound now: a short device buffer, written in 10 ms periods.
    const bool roomy = !probeName.empty();
    g_object_set(speaker, "buffer-time",
                 static_cast<gint64>(roomy ? kRoomySinkBufferUs : kSinkBufferUs), "latency-time",
                 static_cast<gint64>(roomy ? kRoomySinkPeriodUs : kSinkPeriodUs), nullptr);
    if (!speakerName.empty()) {
        g_object_set(speaker, "device", speakerName.c_str(), nullptr);
    }
    if (!probeName.empty()) {
        // The times are the probe's; the speaker plays what comes as it comes.
        g_object_set(speaker, "sync", FALSE, nullptr);
    }
    gst_bin_add(GST_BIN(pipeline.get()), speaker);
    if (!gst_element_link(last, speaker)) {
        CSoundLog::Failed(CSoundLog::kFail, kUnit, 296);
        return false;
    }
    auto resize = std::make_shared<Resize>();
    resize->pipeline.reset(GST_ELEMENT(gst_object_ref(pipeline.get())));
    resize->speaker.reset(GST_ELEMENT(gst_object_ref(speaker)));
    GstOwner<GstPad> pad(gst_element_get_static_pad(source, "src"));
    const gulong chunkProbe =
        gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &OnChunk, this, nullptr);
    std::lock_guard<std::mutex> guard(m_refillLock);
    m_chunkPad = std::move(pad);
    m_chunkProbe = chunkProbe;
    m_control = control;
    m_source = std::move(sourceRef);
    m_pipeline = std::move(pipeline);
    m_probeName = probeName;
    m_speaker = speakerName;
    m_resize = std::move(resize);
    m_roomy = roomy;
    m_timeline = roomy ? CSpeakerTimeline(kRoomySinkPeriodUs + kRoomySinkBufferUs)
                       : CSpeakerTimeline(kSinkPeriodUs + kSinkBufferUs);
    m_underruns = CSpeakerUnderruns(kChunkMs * 1000 + kSinkBufferUs + kSinkPeriodUs);
    return true;
}

bool CPlaybackGraph::Run() {
    if (!m_pipeline) {
        return false;
    }
    if (Play()) {
        return true;
    }
    if (m_speaker.empty()) {
        return false;
    }
    // The chosen speaker is gone: the call plays to the default one.
    CSoundLog::Failed("The chosen speaker is missing, the default one plays", CSoundLog::kFail,
                      kUnit, 301);
    Stop();
    return BuildPipeline(m_format, m_echoProbe, std::string()) && Play();
}

bool CPlaybackGraph::Play() {
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
    // A resize still to come leaves the pipeline alone; one under way ends first.
    if (m_resize) {
        std::lock_guard<std::mutex> guard(m_resize->lock);
        m_resize->wanted = false;
    }
    // No new chunk reaches Refill once the probe is gone; NULL joins the
    // streaming thread, which may still be inside the last one.
    if (m_chunkPad) {
        gst_pad_remove_probe(m_chunkPad.get(), m_chunkProbe);
    }
    if (m_pipeline) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    }
    if (m_source) {
        g_object_set(m_source.get(), kNetSourcePullProperty, nullptr, nullptr);
    }
    // Released after the lock: the source's last reference takes the
    // source's own lock, which its streaming thread holds while it pulls.
    GstOwner<GstElement> source;
    GstOwner<GstElement> pipeline;
    std::shared_ptr<Resize> resize;
    std::lock_guard<std::mutex> guard(m_refillLock);
    m_control = nullptr;
    m_chunkPad.reset();
    m_chunkProbe = 0;
    source = std::move(m_source);
    pipeline = std::move(m_pipeline);
    resize = std::move(m_resize);
    m_probeName.clear();
}

std::int64_t CPlaybackGraph::DurationUs(int chunkBytes) const {
    return std::int64_t(chunkBytes) / 2 / m_format.channels * 1000000 / m_format.sampleRate;
}

std::int64_t CPlaybackGraph::NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CPlaybackGraph::Put(std::uint32_t sequence, const std::uint8_t* frame, int length,
                         std::int64_t arrivalUs, bool copy) {
    m_playout.Put(sequence, frame, length, arrivalUs, copy);
}

CPlaybackGraph::Heard CPlaybackGraph::Refill(int chunkBytes) {
    std::lock_guard<std::mutex> guard(m_refillLock);
    Heard heard;
    if (chunkBytes <= 0 || m_control == nullptr) {
        return heard;
    }
    heard.durationUs = DurationUs(chunkBytes);
    if (!m_probeName.empty()) {
        heard.atUs = m_timeline.Next(NowUs(), heard.durationUs);
    }
    return heard;
}

void CPlaybackGraph::OnPull(int chunkBytes) {
    std::lock_guard<std::mutex> guard(m_refillLock);
    if (chunkBytes <= 0 || m_control == nullptr) {
        return;
    }
    const std::int64_t nowUs = NowUs();
    if (m_underruns.Asked(nowUs) && !m_roomy.load()) {
        MakeRoomier();
    }
    m_chunk.resize(static_cast<std::size_t>(chunkBytes / 2));
    m_playout.Pull(nowUs, m_chunk.data(), static_cast<int>(m_chunk.size()));
    m_control->PushData(reinterpret_cast<const std::uint8_t*>(m_chunk.data()),
                        static_cast<int>(m_chunk.size()) * 2, 0, 0);
}

void CPlaybackGraph::MakeRoomier() {
    m_roomy = true;
    m_timeline = CSpeakerTimeline(kRoomySinkPeriodUs + kRoomySinkBufferUs);
    CSoundLog::Note("The speaker kept running dry: its buffer grows to 20 ms", kUnit);
    gst_element_call_async(m_pipeline.get(), &ResizeSpeaker, new std::shared_ptr<Resize>(m_resize),
                           &DropResize);
}
