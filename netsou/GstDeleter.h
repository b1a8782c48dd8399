#pragma once

#include <gst/gst.h>

#include <memory>

// Drops one GStreamer reference when an owner goes out of scope.
struct GstDeleter {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
    void operator()(GstBuffer* buffer) const { gst_buffer_unref(buffer); }
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
    void operator()(GstMessage* message) const { gst_message_unref(message); }
    void operator()(GstElement* element) const { gst_object_unref(element); }
    void operator()(GstBus* bus) const { gst_object_unref(bus); }
    void operator()(GstElementFactory* factory) const { gst_object_unref(factory); }
};

template <class T>
using GstPtr = std::unique_ptr<T, GstDeleter>;
