#include "KivGstPipeline.h"

#include <gst/gst.h>

bool KivPlayPipeline(GstElement* pipeline) {
    if (pipeline == nullptr) {
        return false;
    }
    GstStateChangeReturn result = gst_element_set_state(pipeline, GST_STATE_PLAYING);
    if (result == GST_STATE_CHANGE_ASYNC) {
        result = gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND);
    }
    return result != GST_STATE_CHANGE_FAILURE && result != GST_STATE_CHANGE_ASYNC;
}

void KivReleasePipeline(GstElement*& pipeline) {
    if (pipeline != nullptr) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        pipeline = nullptr;
    }
}
