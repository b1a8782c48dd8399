#include "PictureSink.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <gst/video/videooverlay.h>

#include "GstDeleter.h"
#include "KivNativeWindow.h"
#include "KivVideoDelivery.h"

PictureSink::PictureSink(std::uintptr_t window, int width, int height, std::string name)
    : m_window(window), m_native(KivVideoDrawsNatively()), m_name(std::move(name)) {
    if (window == 0) {
        m_description = "fakesink sync=false";
        return;
    }
    if (m_native) {
        int windowWidth = width;
        int windowHeight = height;
        KivNativeWindowSize(window, &windowWidth, &windowHeight);
        m_description = "videoscale ! video/x-raw,width=" + std::to_string(windowWidth) +
                        ",height=" + std::to_string(windowHeight) +
                        " ! videoconvert ! ximagesink name=" + m_name +
                        " sync=false qos=false handle-events=false";
        return;
    }
    // The window scales when it paints; one picture waits at most.
    m_description = "videoconvert ! video/x-raw,format=RGBx ! appsink name=" + m_name +
                    " sync=false max-buffers=1 drop=true";
}

void PictureSink::Attach(GstElement* bin) const {
    if (m_window == 0) {
        return;
    }
    GstPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(bin), m_name.c_str()));
    if (!sink) {
        return;
    }
    if (m_native) {
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink.get()), m_window);
        return;
    }
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink* appSink, gpointer window) {
        return OnSample(GST_ELEMENT(appSink), window);
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks,
                               reinterpret_cast<gpointer>(m_window), nullptr);
}

GstFlowReturn PictureSink::OnSample(GstElement* sink, gpointer window) {
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (sample == nullptr) {
        return GST_FLOW_EOS;
    }
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (buffer != nullptr && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
        if (map.size >= gsize(stride) * gsize(GST_VIDEO_INFO_HEIGHT(&info))) {
            KivVideoDeliver(reinterpret_cast<std::uintptr_t>(window), map.data,
                            GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info), stride);
        }
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    // A window that is gone is no fault of the stream.
    return GST_FLOW_OK;
}
