#include "SoundLinkStreamPriority.h"

#include <gst/gst.h>

namespace {

GstBusSyncReply OnMessage(GstBus*, GstMessage* message, gpointer data) {
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_STREAM_STATUS) {
        return GST_BUS_PASS;
    }
    GstStreamStatusType type = GST_STREAM_STATUS_TYPE_CREATE;
    gst_message_parse_stream_status(message, &type, nullptr);
    // Both are posted by the streaming thread itself. Its thread comes from a
    // pool that other work of the process shares: it goes back as it came.
    thread_local SoundLinkSchedule before;
    if (type == GST_STREAM_STATUS_TYPE_LEAVE) {
        SoundLinkRestore(SoundLinkThreadId(), before);
        before = SoundLinkSchedule();
    }
    if (type != GST_STREAM_STATUS_TYPE_ENTER) {
        return GST_BUS_PASS;
    }
    const auto kind = static_cast<SoundLinkThreadKind>(GPOINTER_TO_INT(data));
    before = SoundLinkScheduleOf(SoundLinkThreadId());
    SoundLinkPrioritize(SoundLinkThreadId(), kind);
    if (kind == SoundLinkThreadKind::SoundCapture || kind == SoundLinkThreadKind::SoundPlayback) {
        // The client library's thread started when the pipeline opened its device.
        SoundLinkRaiseSoundServerThreads();
    }
    return GST_BUS_PASS;
}

}  // namespace

void SoundLinkPrioritizeStreams(GstElement* pipeline, SoundLinkThreadKind kind) {
    GstBus* bus = gst_element_get_bus(pipeline);
    if (bus == nullptr) {
        return;
    }
    gst_bus_set_sync_handler(bus, &OnMessage, GINT_TO_POINTER(static_cast<int>(kind)), nullptr);
    gst_object_unref(bus);
}
