#include "CNetSouOutput.h"

#include <cstring>

#include "GstDeleter.h"

CNetSouOutput::CNetSouOutput() {
    gst_video_info_init(&m_video);
}

bool CNetSouOutput::Accept(GstCaps* caps, const NetSourceFormat& format) {
    m_negotiated = false;
    if (format.kind == NetSourceFormat::Kind::RawVideo) {
        if (!gst_video_info_from_caps(&m_video, caps) ||
            GST_VIDEO_INFO_WIDTH(&m_video) != format.width ||
            GST_VIDEO_INFO_HEIGHT(&m_video) != format.height) {
            return false;
        }
    }
    m_format = format;
    m_sample.Resize(format.SampleBytes());
    m_negotiated = true;
    return true;
}

void CNetSouOutput::Clear() {
    m_negotiated = false;
}

GstFlowReturn CNetSouOutput::Deliver(GstBuffer** out) const {
    if (!m_negotiated) {
        return GST_FLOW_NOT_NEGOTIATED;
    }
    return m_format.kind == NetSourceFormat::Kind::RawVideo ? DeliverPicture(out)
                                                            : DeliverBytes(out);
}

GstFlowReturn CNetSouOutput::DeliverPicture(GstBuffer** out) const {
    const int height = m_format.height;
    const size_t rowBytes = static_cast<size_t>(m_format.width) * m_format.bitsPerPixel / 8;
    if (m_sample.Size() < m_format.ImageBytes()) {
        return GST_FLOW_ERROR;
    }
    GstPtr<GstBuffer> buffer(
        gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&m_video), nullptr));
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer.get(), &map, GST_MAP_WRITE)) {
        return GST_FLOW_ERROR;
    }
    const size_t stride = static_cast<size_t>(GST_VIDEO_INFO_PLANE_STRIDE(&m_video, 0));
    std::uint8_t* target = map.data + GST_VIDEO_INFO_PLANE_OFFSET(&m_video, 0);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* source = m_sample.Data() + (height - 1 - row) * rowBytes;
        std::memcpy(target + row * stride, source, rowBytes);
        std::memset(target + row * stride + rowBytes, 0, stride - rowBytes);
    }
    gst_buffer_unmap(buffer.get(), &map);
    *out = buffer.release();
    return GST_FLOW_OK;
}

GstFlowReturn CNetSouOutput::DeliverBytes(GstBuffer** out) const {
    const size_t length = static_cast<size_t>(m_sample.DataLength());
    GstPtr<GstBuffer> buffer(gst_buffer_new_allocate(nullptr, length, nullptr));
    if (!buffer || gst_buffer_fill(buffer.get(), 0, m_sample.Data(), length) != length) {
        return GST_FLOW_ERROR;
    }
    *out = buffer.release();
    return GST_FLOW_OK;
}
