#include "GstOwner.h"

#include <gst/gst.h>

void GstOwnerDeleter::operator()(GstElement* element) const {
    gst_object_unref(element);
}

void GstOwnerDeleter::operator()(GstPad* pad) const {
    gst_object_unref(pad);
}

void GstOwnerDeleter::operator()(GstDevice* device) const {
    gst_object_unref(device);
}

void GstOwnerDeleter::operator()(GstDeviceMonitor* monitor) const {
    gst_object_unref(monitor);
}

void GstOwnerDeleter::operator()(GstCaps* caps) const {
    gst_caps_unref(caps);
}
