#include "CPicturePlayer.h"

#include "INetSourceControl.h"
#include "PictureGst.h"
#include "PictureSink.h"
#include "PictureStamp.h"
#include "SoundLinkStreamPriority.h"

namespace {

constexpr int kDecodeAtPush = 1;
// Delays above this are no stamps at all (a camera picture, a stale frame).
constexpr std::uint32_t kPlausibleDelayMs = 10000;
constexpr size_t kMaxDelays = 100000;

}  // namespace

CPicturePlayer::CPicturePlayer(std::uintptr_t window, int width, int height)
    : m_width(width), m_height(height) {
    if (!PictureGstReady()) {
        return;
    }
    const PictureSink sink(window, width, height, "remote");
    // The source's pad offers pictures only once it is in its video mode, so
    // it is set up before the rest is linked to it.
    GstElement* made = gst_element_factory_make("netsou", "source");
    if (made == nullptr) {
        return;
    }
    GstPtr<GstElement> source(GST_ELEMENT(gst_object_ref_sink(made)));
    INetSourceControl* control = nullptr;
    g_object_get(source.get(), kNetSourceControlProperty, &control, nullptr);
    if (control == nullptr || control->SetVideoMode(kDecodeAtPush, width, height) != 0) {
        return;
    }
    GstElement* rest = PictureGstBin("videoconvert ! " + sink.Description());
    if (rest == nullptr) {
        return;
    }
    GstPtr<GstElement> pipeline(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("remote"))));
    // Decoding and drawing give way to the call's sound on a busy machine.
    SoundLinkPrioritizeStreams(pipeline.get(), SoundLinkThreadKind::VideoPlayback);
    gst_bin_add_many(GST_BIN(pipeline.get()), GST_ELEMENT(gst_object_ref(source.get())), rest,
                     nullptr);
    if (!gst_element_link(source.get(), rest)) {
        return;
    }
    GstPad* pad = gst_element_get_static_pad(source.get(), "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &CPicturePlayer::OnPicture, this, nullptr);
    gst_object_unref(pad);
    sink.Attach(rest);
    if (!PictureGstPlay(pipeline.get())) {
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        return;
    }
    m_pipeline = std::move(pipeline);
    m_control = control;
}

CPicturePlayer::~CPicturePlayer() {
    if (m_pipeline) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    }
    // NULL joined the streaming thread inside GStreamer, unseen by the thread
    // checker; its last picture ended under this lock, which orders it before
    // the members go.
    std::lock_guard<std::mutex> lock(m_figuresLock);
}

void CPicturePlayer::Push(const std::uint8_t* frame, int length) {
    if (m_control != nullptr) {
        m_control->PushData(frame, length, 0, 0);
    }
}

CPicturePlayer::Figures CPicturePlayer::TakeFigures() {
    std::lock_guard<std::mutex> lock(m_figuresLock);
    Figures figures = std::move(m_figures);
    m_figures = Figures();
    return figures;
}

// Counts each new picture (the source repeats the last one when none came)
// and measures its delay from the stamp.
GstPadProbeReturn CPicturePlayer::OnPicture(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* self = static_cast<CPicturePlayer*>(data);
    std::lock_guard<std::mutex> lock(self->m_figuresLock);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    GstMapInfo map;
    if (buffer == nullptr || !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return GST_PAD_PROBE_OK;
    }
    const int stride = self->m_width * 3;
    std::uint32_t stamp = 0;
    const bool stamped =
        map.size >= size_t(stride) * size_t(self->m_height) &&
        PictureStamp::ReadBgr(map.data, stride, self->m_width, self->m_height, &stamp);
    gst_buffer_unmap(buffer, &map);
    if (!stamped || stamp == self->m_lastStamp) {
        return GST_PAD_PROBE_OK;
    }
    self->m_lastStamp = stamp;
    const std::uint32_t delay = PictureStamp::NowMs() - stamp;
    ++self->m_figures.frames;
    if (delay < kPlausibleDelayMs && self->m_figures.delaysMs.size() < kMaxDelays) {
        self->m_figures.delaysMs.push_back(delay);
    }
    return GST_PAD_PROBE_OK;
}
