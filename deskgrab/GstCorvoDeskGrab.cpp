#include "GstCorvoDeskGrab.h"

#include <gst/video/video.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "CCorvoDeskGrab.h"
#include "CCorvoFrameWriter.h"

GST_DEBUG_CATEGORY_STATIC(corvo_desk_grab_debug);
#define GST_CAT_DEFAULT corvo_desk_grab_debug

struct _GstCorvoDeskGrab {
    GstPushSrc parent;
    CCorvoDeskGrab* filter;
    GstVideoInfo info;
    // Held by the streaming thread while it fills a frame, and taken by stop
    // and finalize: the filter goes back to the state-change thread through a
    // lock of ours, not only through GStreamer's task lock.
    std::mutex* streaming;
};

G_DEFINE_TYPE(GstCorvoDeskGrab, gst_corvo_desk_grab, GST_TYPE_PUSH_SRC)

namespace {

enum Property { PropNone, PropCaptureRect, PropFrameRate, PropCaptureEnable, PropStateFile };

struct FormatName {
    CorvoPixelFormat format;
    GstVideoFormat video;
};

// The caps name of each offered layout, in order of preference.
constexpr FormatName kFormats[] = {
    {CorvoPixelFormat::Rgb32, GST_VIDEO_FORMAT_BGRx},
    {CorvoPixelFormat::Rgb24, GST_VIDEO_FORMAT_BGR},
    {CorvoPixelFormat::Rgb565, GST_VIDEO_FORMAT_RGB16},
    {CorvoPixelFormat::Rgb555, GST_VIDEO_FORMAT_RGB15},
    {CorvoPixelFormat::Rgb8, GST_VIDEO_FORMAT_RGB8P},
};

GstStaticPadTemplate kSourceTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-raw, format = (string) { BGRx, BGR, RGB16, RGB15, RGB8P }, "
                    "width = (int) [ 1, 8192 ], height = (int) [ 1, 8192 ], "
                    "framerate = (fraction) [ 0/1, 40/1 ]"));

// Buffers we have written before; a buffer new from the pool is blanked
// once so that no area we leave alone shows stale memory.
GQuark WrittenQuark() {
    static const GQuark quark = g_quark_from_static_string("corvo-desk-grab-written");
    return quark;
}

bool ToCorvoFormat(GstVideoFormat video, CorvoPixelFormat* format) {
    for (const FormatName& name : kFormats) {
        if (name.video == video) {
            *format = name.format;
            return true;
        }
    }
    return false;
}

CCorvoCaptureSettings& SettingsOf(gpointer object) {
    return GST_CORVO_DESK_GRAB(object)->filter->Settings();
}

void SetCaptureRectText(GstCorvoDeskGrab* self, const gchar* text) {
    int values[6] = {};
    char tail = 0;
    if (text == nullptr ||
        std::sscanf(text, "%d,%d,%d,%d,%d,%d%c", &values[0], &values[1], &values[2], &values[3],
                    &values[4], &values[5], &tail) != 6) {
        GST_WARNING_OBJECT(self,
                           "capture-rect needs \"left,top,right,bottom,width,height\", not %s",
                           text != nullptr ? text : "(null)");
        return;
    }
    self->filter->Settings().SetCaptureRect(values[0], values[1], values[2], values[3], values[4],
                                            values[5]);
}

gchar* CaptureRectText(GstCorvoDeskGrab* self) {
    int left = 0, top = 0, right = 0, bottom = 0, width = 0, height = 0;
    self->filter->Settings().GetCaptureRect(&left, &top, &right, &bottom, &width, &height);
    return g_strdup_printf("%d,%d,%d,%d,%d,%d", left, top, right, bottom, width, height);
}

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* param) {
    GstCorvoDeskGrab* self = GST_CORVO_DESK_GRAB(object);
    switch (id) {
        case PropCaptureRect:
            SetCaptureRectText(self, g_value_get_string(value));
            break;
        case PropFrameRate:
            SettingsOf(object).SetFrameRate(g_value_get_int(value));
            break;
        case PropCaptureEnable:
            SettingsOf(object).SetCaptureEnable(g_value_get_boolean(value) ? 1 : 0);
            break;
        case PropStateFile: {
            const gchar* path = g_value_get_string(value);
            std::string error;
            if (!self->filter->SetStateFile(path != nullptr ? path : "", &error)) {
                GST_ELEMENT_WARNING(self, RESOURCE, READ, ("%s", error.c_str()), (nullptr));
            }
            break;
        }
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
            break;
    }
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* param) {
    GstCorvoDeskGrab* self = GST_CORVO_DESK_GRAB(object);
    switch (id) {
        case PropCaptureRect:
            g_value_take_string(value, CaptureRectText(self));
            break;
        case PropFrameRate: {
            int fps = 0;
            SettingsOf(object).GetFrameRate(&fps);
            g_value_set_int(value, fps);
            break;
        }
        case PropCaptureEnable: {
            int enable = 0;
            SettingsOf(object).GetCaptureEnable(&enable);
            g_value_set_boolean(value, enable != 0);
            break;
        }
        case PropStateFile:
            g_value_set_string(value, self->filter->StateFile().c_str());
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
            break;
    }
}

void Finalize(GObject* object) {
    GstCorvoDeskGrab* self = GST_CORVO_DESK_GRAB(object);
    { std::lock_guard<std::mutex> streamingDone(*self->streaming); }
    delete self->filter;
    delete self->streaming;
    G_OBJECT_CLASS(gst_corvo_desk_grab_parent_class)->finalize(object);
}

GstStateChangeReturn ChangeState(GstElement* element, GstStateChange transition) {
    GstCorvoDeskGrab* self = GST_CORVO_DESK_GRAB(element);
    if (transition == GST_STATE_CHANGE_PLAYING_TO_PAUSED) {
        self->filter->Pin().RestartPacing();
    }
    const GstStateChangeReturn result =
        GST_ELEMENT_CLASS(gst_corvo_desk_grab_parent_class)->change_state(element, transition);
    if (transition == GST_STATE_CHANGE_READY_TO_NULL) {
        std::string error;
        if (!self->filter->SaveState(&error)) {
            GST_ELEMENT_WARNING(self, RESOURCE, WRITE, ("%s", error.c_str()), (nullptr));
        }
    }
    return result;
}

GstCaps* GetCaps(GstBaseSrc* source, GstCaps* filter) {
    const CorvoCaptureSnapshot settings = SettingsOf(source).Snapshot();
    GstCaps* caps = gst_caps_new_empty();
    for (const FormatName& name : kFormats) {
        gst_caps_append_structure(
            caps,
            gst_structure_new("video/x-raw", "format", G_TYPE_STRING,
                              gst_video_format_to_string(name.video), "width", G_TYPE_INT,
                              settings.width, "height", G_TYPE_INT, settings.height, "framerate",
                              GST_TYPE_FRACTION, settings.rate.rateNum, settings.rate.rateDen,
                              "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr));
    }
    if (filter != nullptr) {
        GstCaps* wanted = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        return wanted;
    }
    return caps;
}

gboolean SetCaps(GstBaseSrc* source, GstCaps* caps) {
    GstCorvoDeskGrab* self = GST_CORVO_DESK_GRAB(source);
    GstVideoInfo info;
    CorvoPixelFormat format = CorvoPixelFormat::Rgb32;
    if (!gst_video_info_from_caps(&info, caps) || !ToCorvoFormat(info.finfo->format, &format)) {
        GST_ERROR_OBJECT(self, "unsupported caps %" GST_PTR_FORMAT, caps);
        return FALSE;
    }
    self->info = info;
    self->filter->Settings().SetBitCount(CorvoBitCount(format));
    return TRUE;
}

gboolean DecideAllocation(GstBaseSrc* source, GstQuery* query) {
    GstCorvoDeskGrab* self = GST_CORVO_DESK_GRAB(source);
    GstCaps* caps = nullptr;
    gst_query_parse_allocation(query, &caps, nullptr);
    GstVideoInfo info;
    if (caps == nullptr || !gst_video_info_from_caps(&info, caps)) {
        return FALSE;
    }
    GstBufferPool* pool = nullptr;
    guint size = 0, minimum = 0, maximum = 0;
    const bool update = gst_query_get_n_allocation_pools(query) > 0;
    if (update) {
        gst_query_parse_nth_allocation_pool(query, 0, &pool, &size, &minimum, &maximum);
    }
    size = MAX(size, static_cast<guint>(info.size));
    minimum = MAX(minimum, 1u);
    if (pool == nullptr) {
        pool = gst_video_buffer_pool_new();
    }
    GstStructure* config = gst_buffer_pool_get_config(pool);
    gst_buffer_pool_config_set_params(config, caps, size, minimum, maximum);
    if (gst_query_find_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr)) {
        gst_buffer_pool_config_add_option(config, GST_BUFFER_POOL_OPTION_VIDEO_META);
    }
    gst_buffer_pool_set_config(pool, config);
    if (update) {
        gst_query_set_nth_allocation_pool(query, 0, pool, size, minimum, maximum);
    } else {
        gst_query_add_allocation_pool(query, pool, size, minimum, maximum);
    }
    gst_object_unref(pool);
    self->filter->Pin().FormatDecided();
    return GST_BASE_SRC_CLASS(gst_corvo_desk_grab_parent_class)->decide_allocation(source, query);
}

gboolean Start(GstBaseSrc* source) {
    GstCorvoDeskGrab* self = GST_CORVO_DESK_GRAB(source);
    // The streaming thread starts after this: what the start sets reaches it
    // through the streaming lock.
    std::lock_guard<std::mutex> streaming(*self->streaming);
    std::string error;
    if (!self->filter->Pin().Start(&error)) {
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_READ,
                          ("Cannot capture the screen: %s", error.c_str()), (nullptr));
        return FALSE;
    }
    return TRUE;
}

gboolean Stop(GstBaseSrc* source) {
    GstCorvoDeskGrab* self = GST_CORVO_DESK_GRAB(source);
    self->filter->Pin().Stop();
    std::lock_guard<std::mutex> streamingDone(*self->streaming);
    return TRUE;
}

gboolean Unlock(GstBaseSrc* source) {
    GST_CORVO_DESK_GRAB(source)->filter->Pin().Unlock();
    return TRUE;
}

gboolean UnlockStop(GstBaseSrc* source) {
    GST_CORVO_DESK_GRAB(source)->filter->Pin().UnlockStop();
    return TRUE;
}

gboolean Query(GstBaseSrc* source, GstQuery* query) {
    if (GST_QUERY_TYPE(query) == GST_QUERY_LATENCY) {
        // A frame is ready one frame time after it is due.
        const CorvoCaptureSnapshot settings = SettingsOf(source).Snapshot();
        const GstClockTime latency = static_cast<GstClockTime>(settings.rate.frameTime) * 100;
        gst_query_set_latency(query, TRUE, latency, latency);
        return TRUE;
    }
    return GST_BASE_SRC_CLASS(gst_corvo_desk_grab_parent_class)->query(source, query);
}

CorvoFrameTarget TargetOf(GstVideoFrame& frame, CorvoPixelFormat format) {
    CorvoFrameTarget target;
    target.format = format;
    target.width = GST_VIDEO_FRAME_WIDTH(&frame);
    target.height = GST_VIDEO_FRAME_HEIGHT(&frame);
    for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&frame) && plane < 2; ++plane) {
        target.planes[plane] =
            static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
        target.strides[plane] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane);
    }
    return target;
}

GstFlowReturn Fill(GstPushSrc* source, GstBuffer* buffer) {
    GstCorvoDeskGrab* self = GST_CORVO_DESK_GRAB(source);
    std::lock_guard<std::mutex> streaming(*self->streaming);
    CorvoPixelFormat format = CorvoPixelFormat::Rgb32;
    GstVideoFrame frame;
    if (!ToCorvoFormat(GST_VIDEO_INFO_FORMAT(&self->info), &format) ||
        !gst_video_frame_map(&frame, &self->info, buffer, GST_MAP_WRITE)) {
        GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("Cannot write a video frame"), (nullptr));
        return GST_FLOW_ERROR;
    }
    const CorvoFrameTarget target = TargetOf(frame, format);
    GstMiniObject* written = GST_MINI_OBJECT_CAST(buffer);
    if (gst_mini_object_get_qdata(written, WrittenQuark()) == nullptr) {
        CCorvoFrameWriter::FillBlack(target);
        gst_mini_object_set_qdata(written, WrittenQuark(), GINT_TO_POINTER(1), nullptr);
    }
    CorvoFrameTiming timing;
    std::string error;
    const CorvoFillResult result = self->filter->Pin().Fill(target, &timing, &error);
    gst_video_frame_unmap(&frame);
    if (result == CorvoFillResult::Flushing) {
        return GST_FLOW_FLUSHING;
    }
    if (result == CorvoFillResult::ScreenLost) {
        GST_ELEMENT_ERROR(self, RESOURCE, READ, ("Screen capture stopped: %s", error.c_str()),
                          (nullptr));
        return GST_FLOW_ERROR;
    }
    if (timing.stamped) {
        GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(timing.start) * 100;
        GST_BUFFER_DURATION(buffer) = static_cast<GstClockTime>(timing.end - timing.start) * 100;
    } else {
        GST_BUFFER_PTS(buffer) = GST_CLOCK_TIME_NONE;
        GST_BUFFER_DURATION(buffer) = GST_CLOCK_TIME_NONE;
    }
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    return GST_FLOW_OK;
}

}  // namespace

static void gst_corvo_desk_grab_class_init(GstCorvoDeskGrabClass* klass) {
    GST_DEBUG_CATEGORY_INIT(corvo_desk_grab_debug, "deskgrab", 0, "[Corvo] Screen Capture");
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = SetProperty;
    objectClass->get_property = GetProperty;
    objectClass->finalize = Finalize;

    const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
    g_object_class_install_property(
        objectClass, PropCaptureRect,
        g_param_spec_string("capture-rect", "Capture rectangle",
                            "Desktop area and output size: \"left,top,right,bottom,width,height\"",
                            "0,0,320,240,320,240", flags));
    g_object_class_install_property(
        objectClass, PropFrameRate,
        g_param_spec_int("frame-rate", "Frame rate",
                         "Frames per second (0: one per 2 s; -1: no pacing; -2: no time stamps)",
                         -2, G_MAXINT, 25, flags));
    g_object_class_install_property(
        objectClass, PropCaptureEnable,
        g_param_spec_boolean("capture-enable", "Capture enable",
                             "Grab the screen; otherwise send the still image or black", TRUE,
                             flags));
    g_object_class_install_property(
        objectClass, PropStateFile,
        g_param_spec_string("state-file", "State file",
                            "File the parameters are loaded from when set and saved to when the "
                            "element shuts down",
                            nullptr, flags));

    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(
        elementClass, "[Corvo] Screen Capture", "Source/Video",
        "Delivers a rectangle of the X11 desktop, cursor included, as raw RGB video", "KivIM");
    gst_element_class_add_static_pad_template(elementClass, &kSourceTemplate);
    elementClass->change_state = ChangeState;

    GstBaseSrcClass* baseClass = GST_BASE_SRC_CLASS(klass);
    baseClass->get_caps = GetCaps;
    baseClass->set_caps = SetCaps;
    baseClass->decide_allocation = DecideAllocation;
    baseClass->start = Start;
    baseClass->stop = Stop;
    baseClass->unlock = Unlock;
    baseClass->unlock_stop = UnlockStop;
    baseClass->query = Query;

    GST_PUSH_SRC_CLASS(klass)->fill = Fill;
}

static void gst_corvo_desk_grab_init(GstCorvoDeskGrab* self) {
    self->filter = new CCorvoDeskGrab();
    self->streaming = new std::mutex();
    gst_video_info_init(&self->info);
    GstBaseSrc* base = GST_BASE_SRC(self);
    gst_base_src_set_live(base, TRUE);
    gst_base_src_set_format(base, GST_FORMAT_TIME);
    GstPad* pad = GST_BASE_SRC_PAD(base);
    self->filter->Settings().SetFormatListener([pad] { gst_pad_mark_reconfigure(pad); });
}

CCorvoDeskGrab* CorvoDeskGrabOf(GstCorvoDeskGrab* element) {
    return element->filter;
}
