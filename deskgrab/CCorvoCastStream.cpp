#include "CCorvoCastStream.h"

CCorvoCastStream::~CCorvoCastStream() {
    Stop();
}

bool CCorvoCastStream::Start(int fd, std::uint32_t node, std::chrono::milliseconds limit,
                             std::string* error) {
    Stop();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_newest.reset();
        m_size = {};
        m_failed = false;
        m_failure.clear();
        m_interrupted = false;
    }
    // pipewiresrc connects through a duplicate of the descriptor. It keeps
    // PipeWire's few buffers only for the time of a copy, as we hold a frame
    // for as long as the screen stays still.
    const std::string line = "pipewiresrc fd=" + std::to_string(fd) +
                             " path=" + std::to_string(node) +
                             " do-timestamp=true always-copy=true ! videoconvert ! "
                             "video/x-raw,format=BGRx ! appsink name=sink sync=false "
                             "max-buffers=1 drop=true enable-last-sample=false";
    GError* rawError = nullptr;
    GstElement* launched = gst_parse_launch(line.c_str(), &rawError);
    // The launch hands back a floating reference: take it as ours.
    CorvoGlibPtr<GstElement> pipeline(
        launched != nullptr ? GST_ELEMENT(gst_object_ref_sink(launched)) : nullptr);
    const CorvoGlibPtr<GError> failure(rawError);
    if (pipeline == nullptr || failure != nullptr) {
        *error =
            std::string("cannot play the screen cast (is gstreamer1.0-pipewire installed?): ") +
            (failure != nullptr ? failure->message : "no pipeline");
        return false;
    }
    m_pipeline = std::move(pipeline);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(m_pipeline.get()), "sink");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &CCorvoCastStream::OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    gst_object_unref(sink);
    GstBus* bus = gst_element_get_bus(m_pipeline.get());
    gst_bus_set_sync_handler(bus, &CCorvoCastStream::OnMessage, this, nullptr);
    gst_object_unref(bus);

    if (gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        Fail("the screen cast's pipeline did not start");
    }
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, limit,
                       [this] { return m_newest != nullptr || m_failed || m_interrupted; });
    std::string reason;
    if (m_failed) {
        reason = m_failure;
    } else if (m_interrupted) {
        reason = "the screen cast was interrupted";
    } else if (m_newest == nullptr) {
        reason = "the screen cast sent no picture";
    }
    lock.unlock();
    if (!reason.empty()) {
        *error = reason;
        Stop();
        return false;
    }
    return true;
}

void CCorvoCastStream::Stop() {
    if (m_pipeline != nullptr) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
        GstBus* bus = gst_element_get_bus(m_pipeline.get());
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        m_pipeline.reset();
    }
    Unmap();
    std::lock_guard<std::mutex> guard(m_lock);
    m_newest.reset();
    m_size = {};
}

void CCorvoCastStream::Interrupt() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_interrupted = true;
    m_changed.notify_all();
}

CorvoScreenSize CCorvoCastStream::Size() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_size;
}

bool CCorvoCastStream::HasFailed(std::string* reason) const {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_failed && reason != nullptr) {
        *reason = m_failure;
    }
    return m_failed;
}

bool CCorvoCastStream::Latest(CorvoImageView* frame, std::string* error) {
    CorvoGlibPtr<GstSample> newer;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        newer = std::move(m_newest);
    }
    if (newer != nullptr) {
        Unmap();
        GstVideoInfo info;
        GstBuffer* buffer = gst_sample_get_buffer(newer.get());
        GstCaps* caps = gst_sample_get_caps(newer.get());
        if (buffer == nullptr || caps == nullptr || !gst_video_info_from_caps(&info, caps) ||
            !gst_video_frame_map(&m_mapped, &info, buffer, GST_MAP_READ)) {
            *error = "a frame of the screen cast cannot be read";
            return false;
        }
        m_isMapped = true;
        m_current = std::move(newer);
    }
    if (!m_isMapped) {
        *error = "no picture from the screen cast yet";
        return false;
    }
    *frame = {static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&m_mapped, 0)),
              GST_VIDEO_FRAME_WIDTH(&m_mapped), GST_VIDEO_FRAME_HEIGHT(&m_mapped),
              GST_VIDEO_FRAME_PLANE_STRIDE(&m_mapped, 0)};
    return true;
}

void CCorvoCastStream::Unmap() {
    if (m_isMapped) {
        gst_video_frame_unmap(&m_mapped);
        m_isMapped = false;
    }
    m_current.reset();
}

void CCorvoCastStream::Fail(const std::string& reason) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_failed) {
        m_failed = true;
        m_failure = reason;
    }
    m_changed.notify_all();
}

GstFlowReturn CCorvoCastStream::OnSample(GstAppSink* sink, gpointer data) {
    auto* self = static_cast<CCorvoCastStream*>(data);
    CorvoGlibPtr<GstSample> sample(gst_app_sink_pull_sample(sink));
    if (sample == nullptr) {
        return GST_FLOW_OK;
    }
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample.get());
    if (caps == nullptr || !gst_video_info_from_caps(&info, caps)) {
        return GST_FLOW_OK;
    }
    std::lock_guard<std::mutex> guard(self->m_lock);
    self->m_newest = std::move(sample);
    self->m_size = {GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info)};
    self->m_changed.notify_all();
    return GST_FLOW_OK;
}

GstBusSyncReply CCorvoCastStream::OnMessage(GstBus*, GstMessage* message, gpointer data) {
    // A message we drop is ours to release. Each one holds its source, so a
    // message kept would keep the whole pipeline and its PipeWire connection.
    const CorvoGlibPtr<GstMessage> dropped(message);
    auto* self = static_cast<CCorvoCastStream*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* rawError = nullptr;
        gst_message_parse_error(message, &rawError, nullptr);
        const CorvoGlibPtr<GError> failure(rawError);
        self->Fail(std::string("the screen cast broke: ") +
                   (failure != nullptr ? failure->message : "unknown error"));
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        self->Fail("the screen cast ended");
    }
    // Nobody reads this bus: nothing may pile up on it.
    return GST_BUS_DROP;
}
