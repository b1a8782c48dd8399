#pragma once

#include <memory>

// GStreamer's types, declared here so headers stay free of GStreamer's.
typedef struct _GstElement GstElement;
typedef struct _GstPad GstPad;
typedef struct _GstDevice GstDevice;
typedef struct _GstDeviceMonitor GstDeviceMonitor;
typedef struct _GstCaps GstCaps;

// Drops one GStreamer reference when an owner goes out of scope.
struct GstOwnerDeleter {
    void operator()(GstElement* element) const;
    void operator()(GstPad* pad) const;
    void operator()(GstDevice* device) const;
    void operator()(GstDeviceMonitor* monitor) const;
    void operator()(GstCaps* caps) const;
};

template <class T>
using GstOwner = std::unique_ptr<T, GstOwnerDeleter>;
