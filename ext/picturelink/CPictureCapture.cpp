#include "CPictureCapture.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include "PictureGst.h"
#include "PictureSink.h"
#include "PictureStamp.h"
#include "SoundLinkDevices.h"
#include "SoundLinkStreamPriority.h"

namespace {

constexpr int kFramesPerSecond = 30;
constexpr int kKeyInterval = 30;
constexpr int kBitrateKbps = 600;

// The first camera the system knows, or empty.
std::string FirstCamera() {
    SoundLinkPrepareDeviceMonitors();
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    std::string path;
    for (GList* item = devices; item != nullptr && path.empty(); item = item->next) {
        GstStructure* properties = gst_device_get_properties(GST_DEVICE(item->data));
        if (properties != nullptr) {
            const gchar* node = gst_structure_get_string(properties, "device.path");
            if (node == nullptr) {
                node = gst_structure_get_string(properties, "api.v4l2.path");
            }
            if (node != nullptr) {
                path = node;
            }
            gst_structure_free(properties);
        }
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return path;
}

GstFlowReturn OnEncoded(GstAppSink* sink, gpointer data) {
    auto* capture = static_cast<CPictureCapture*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (sample == nullptr) {
        return GST_FLOW_EOS;
    }
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (buffer != nullptr && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        capture->Deliver(map.data, static_cast<int>(map.size));
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstPadProbeReturn StampPicture(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    GstVideoInfo video;
    if (caps != nullptr && gst_video_info_from_caps(&video, caps)) {
        GstVideoFrame frame;
        if (gst_video_frame_map(&frame, &video, buffer, GST_MAP_WRITE)) {
            PictureStamp::Write(static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                                GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), video.width, video.height,
                                PictureStamp::NowMs());
            gst_video_frame_unmap(&frame);
        }
    }
    if (caps != nullptr) {
        gst_caps_unref(caps);
    }
    return GST_PAD_PROBE_OK;
}

}  // namespace

CPictureCapture::CPictureCapture(FrameSink sink) : m_sink(std::move(sink)) {}

CPictureCapture::~CPictureCapture() {
    Stop();
}

bool CPictureCapture::Start(const std::string& device, int width, int height,
                            std::uintptr_t localWindow) {
    Stop();
    if (!PictureGstReady()) {
        return false;
    }
    const std::string camera = device.empty() ? FirstCamera() : device;
    if (!camera.empty() && Run("v4l2src device=\"" + camera + "\" ! videoconvert ! videoscale",
                               width, height, localWindow, false)) {
        return true;
    }
    return Run(
        "videotestsrc is-live=true pattern=ball motion=wavy "
        "background-color=0xff203040 foreground-color=0xfff0c020",
        width, height, localWindow, true);
}

bool CPictureCapture::Run(const std::string& source, int width, int height,
                          std::uintptr_t localWindow, bool testPicture) {
    const std::string size =
        ",width=" + std::to_string(width) + ",height=" + std::to_string(height);
    const PictureSink preview(localWindow, width, height, "local");
    const std::string description =
        source + " ! video/x-raw,format=I420" + size +
        (testPicture ? ",framerate=" + std::to_string(kFramesPerSecond) + "/1" : std::string()) +
        " ! identity name=stamp ! tee name=split "
        "split. ! queue leaky=downstream max-size-buffers=2 max-size-time=0 max-size-bytes=0 "
        "! x264enc tune=zerolatency speed-preset=ultrafast threads=1 aud=false byte-stream=true "
        "key-int-max=" +
        std::to_string(kKeyInterval) + " bitrate=" + std::to_string(kBitrateKbps) +
        " ! video/x-h264,stream-format=byte-stream,alignment=au "
        "! appsink name=encoded sync=false max-buffers=8 drop=true "
        "split. ! queue leaky=downstream max-size-buffers=2 max-size-time=0 max-size-bytes=0 ! " +
        preview.Description();
    GstPtr<GstElement> pipeline(PictureGstPipeline(description));
    if (!pipeline) {
        return false;
    }
    // Camera and encoder give way to the call's sound on a busy machine.
    SoundLinkPrioritizeStreams(pipeline.get(), SoundLinkThreadKind::VideoCapture);
    GstPtr<GstElement> encoded(gst_bin_get_by_name(GST_BIN(pipeline.get()), "encoded"));
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &OnEncoded;
    gst_app_sink_set_callbacks(GST_APP_SINK(encoded.get()), &callbacks, this, nullptr);
    if (testPicture) {
        GstPtr<GstElement> stamp(gst_bin_get_by_name(GST_BIN(pipeline.get()), "stamp"));
        GstPad* pad = gst_element_get_static_pad(stamp.get(), "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &StampPicture, nullptr, nullptr);
        gst_object_unref(pad);
    }
    preview.Attach(pipeline.get());
    {
        std::lock_guard<std::mutex> guard(m_sinkLock);
        m_delivering = true;
    }
    m_pipeline = std::move(pipeline);
    m_testPicture = testPicture;
    if (!PictureGstPlay(m_pipeline.get())) {
        Stop();
        return false;
    }
    return true;
}

void CPictureCapture::Stop() {
    if (!m_pipeline) {
        return;
    }
    // NULL joins the streaming threads; GStreamer's join is invisible to the
    // thread checker, so the lock below orders their last frame before the
    // teardown as well.
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    {
        std::lock_guard<std::mutex> guard(m_sinkLock);
        m_delivering = false;
    }
    m_pipeline.reset();
}

void CPictureCapture::Deliver(const std::uint8_t* frame, int length) {
    std::lock_guard<std::mutex> guard(m_sinkLock);
    if (m_delivering) {
        m_sink(frame, length);
    }
}

void CPictureCapture::ForceKeyFrame() {
    if (!m_pipeline) {
        return;
    }
    GstPtr<GstElement> encoded(gst_bin_get_by_name(GST_BIN(m_pipeline.get()), "encoded"));
    gst_element_send_event(
        encoded.get(), gst_video_event_new_upstream_force_key_unit(GST_CLOCK_TIME_NONE, TRUE, 0));
}
