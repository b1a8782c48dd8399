#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include "CNetSourceSample.h"
#include "NetSourceFormat.h"

// The element's side of the pin's sample: the format downstream agreed on
// and the copy of each filled sample into a new buffer. GStreamer pictures
// run top-down with padded rows, so the bottom-up rows of the sample are
// turned over in that copy.
class CNetSouOutput {
public:
    CNetSouOutput();

    // Takes caps downstream accepted for the given format and sizes the sample.
    bool Accept(GstCaps* caps, const NetSourceFormat& format);
    void Clear();

    bool IsNegotiated() const { return m_negotiated; }
    const NetSourceFormat& Format() const { return m_format; }
    CNetSourceSample& Sample() { return m_sample; }

    // A new buffer with the sample's data, without time stamps.
    GstFlowReturn Deliver(GstBuffer** out) const;

private:
    GstFlowReturn DeliverPicture(GstBuffer** out) const;
    GstFlowReturn DeliverBytes(GstBuffer** out) const;

    NetSourceFormat m_format;
    GstVideoInfo m_video;
    bool m_negotiated = false;
    CNetSourceSample m_sample;
};
