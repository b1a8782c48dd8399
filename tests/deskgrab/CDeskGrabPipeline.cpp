#include "CDeskGrabPipeline.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <QElapsedTimer>

#include "ScrCapParamOf.h"

CDeskGrabPipeline::CDeskGrabPipeline(const QString& description) {
    GError* error = nullptr;
    m_pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (error != nullptr) {
        m_error = QString::fromUtf8(error->message);
        g_error_free(error);
    }
}

CDeskGrabPipeline::~CDeskGrabPipeline() {
    if (m_pipeline != nullptr) {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_pipeline);
    }
}

IScrCapParam* CDeskGrabPipeline::Param() {
    GstElement* source = gst_bin_get_by_name(GST_BIN(m_pipeline), "src");
    IScrCapParam* param = ScrCapParamOf(source);
    gst_object_unref(source);
    return param;
}

QString CDeskGrabPipeline::BusError() {
    GstBus* bus = gst_element_get_bus(m_pipeline);
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    gst_object_unref(bus);
    if (message == nullptr) {
        return QString();
    }
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const QString text = QString::fromUtf8(error->message);
    g_error_free(error);
    gst_message_unref(message);
    return text;
}

QImage CDeskGrabPipeline::Pull(GstClockTime limit) {
    GstElement* sink = gst_bin_get_by_name(GST_BIN(m_pipeline), "sink");
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), limit);
    gst_object_unref(sink);
    if (sample == nullptr) {
        return QImage();
    }
    GstVideoInfo info;
    GstVideoFrame frame;
    QImage picture;
    if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        picture = QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                         GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                         GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32)
                      .copy();
        gst_video_frame_unmap(&frame);
    }
    gst_sample_unref(sample);
    return picture;
}

QImage CDeskGrabPipeline::PullUntil(const std::function<bool(const QImage&)>& wanted, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < limitMs) {
        const QImage frame = Pull(2 * GST_SECOND);
        if (!frame.isNull() && wanted(frame)) {
            return frame;
        }
    }
    return QImage();
}
