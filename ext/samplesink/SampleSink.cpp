#include "SampleSink.h"

#include <gst/gst.h>

#include "GstSampleSink.h"
#include "KivFilterRegistry.h"

bool SampleSinkRegister() {
    // Not chosen by autoplugging: owners create it by name.
    static const bool registered =
        gst_element_register(nullptr, KivFactorySampleSink, GST_RANK_NONE, GST_TYPE_SAMPLE_SINK) !=
        FALSE;
    return registered;
}
