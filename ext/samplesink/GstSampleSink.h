#pragma once

#include <gst/base/gstbasesink.h>

G_BEGIN_DECLS

// The sample sink: renders nothing, hands the bytes of every buffer to the
// IRenderSampleEvent set through its "config" property.
#define GST_TYPE_SAMPLE_SINK (gst_sample_sink_get_type())
G_DECLARE_FINAL_TYPE(GstSampleSink, gst_sample_sink, GST, SAMPLE_SINK, GstBaseSink)

G_END_DECLS
