#include "SoundLinkClock.h"

#include <gst/gst.h>

void SoundLinkShareClock(GstElement* pipeline) {
    // The system clock is monotonic unless somebody changed its type.
    GstClock* clock = gst_system_clock_obtain();
    gst_pipeline_use_clock(GST_PIPELINE(pipeline), clock);
    gst_object_unref(clock);
    // Without a start time the pipeline keeps the base time it is given.
    gst_element_set_start_time(pipeline, GST_CLOCK_TIME_NONE);
    gst_element_set_base_time(pipeline, 0);
}
