#include "CTestH264Encoder.h"

#include <algorithm>
#include <cstdint>

extern "C" {
#include <x264.h>
}

namespace {

std::uint8_t Clamp(double value) {
    return static_cast<std::uint8_t>(std::clamp(value + 0.5, 0.0, 255.0));
}

}  // namespace

void CTestH264Encoder::Closer::operator()(x264_t* encoder) const {
    x264_encoder_close(encoder);
}

CTestH264Encoder::CTestH264Encoder(int width, int height, int keyInterval)
    : m_width(width), m_height(height) {
    x264_param_t param;
    if (x264_param_default_preset(&param, "veryfast", "zerolatency") < 0) {
        return;
    }
    param.i_threads = 1;
    param.b_sliced_threads = 0;
    param.i_width = width;
    param.i_height = height;
    param.i_csp = X264_CSP_I420;
    param.i_fps_num = 25;
    param.i_fps_den = 1;
    param.i_keyint_max = keyInterval;
    param.i_keyint_min = keyInterval;
    param.i_scenecut_threshold = 0;
    param.b_repeat_headers = 1;
    param.b_annexb = 1;
    param.b_aud = 0;
    param.rc.i_rc_method = X264_RC_CQP;
    param.rc.i_qp_constant = 20;
    param.i_log_level = X264_LOG_NONE;
    m_encoder.reset(x264_encoder_open(&param));
    m_planes.resize(static_cast<size_t>(width) * height * 3 / 2);
}

CTestH264Encoder::~CTestH264Encoder() = default;

std::vector<std::uint8_t> CTestH264Encoder::Encode(const std::vector<std::uint8_t>& bgr) {
    if (!m_encoder || bgr.size() != static_cast<size_t>(m_width) * m_height * 3) {
        return {};
    }
    // BT.601 studio range, as the decoder side converts back.
    std::uint8_t* luma = m_planes.data();
    std::uint8_t* cb = luma + static_cast<size_t>(m_width) * m_height;
    std::uint8_t* cr = cb + static_cast<size_t>(m_width / 2) * (m_height / 2);
    auto at = [&](int x, int y, int c) {
        return static_cast<double>(bgr[(static_cast<size_t>(y) * m_width + x) * 3 + c]);
    };
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const double b = at(x, y, 0), g = at(x, y, 1), r = at(x, y, 2);
            luma[static_cast<size_t>(y) * m_width + x] =
                Clamp(16.0 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0);
        }
    }
    for (int y = 0; y < m_height / 2; ++y) {
        for (int x = 0; x < m_width / 2; ++x) {
            double b = 0, g = 0, r = 0;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    b += at(2 * x + dx, 2 * y + dy, 0) / 4.0;
                    g += at(2 * x + dx, 2 * y + dy, 1) / 4.0;
                    r += at(2 * x + dx, 2 * y + dy, 2) / 4.0;
                }
            }
            const size_t i = static_cast<size_t>(y) * (m_width / 2) + x;
            cb[i] = Clamp(128.0 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0);
            cr[i] = Clamp(128.0 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0);
        }
    }
    x264_picture_t in;
    x264_picture_t out;
    x264_picture_init(&in);
    in.img.i_csp = X264_CSP_I420;
    in.img.i_plane = 3;
    in.img.plane[0] = luma;
    in.img.plane[1] = cb;
    in.img.plane[2] = cr;
    in.img.i_stride[0] = m_width;
    in.img.i_stride[1] = m_width / 2;
    in.img.i_stride[2] = m_width / 2;
    in.i_pts = m_pts++;
    x264_nal_t* nals = nullptr;
    int count = 0;
    const int size = x264_encoder_encode(m_encoder.get(), &nals, &count, &in, &out);
    if (size <= 0 || count <= 0) {
        return {};
    }
    // The units of one picture lie back to back behind the first.
    return std::vector<std::uint8_t>(nals[0].p_payload, nals[0].p_payload + size);
}
