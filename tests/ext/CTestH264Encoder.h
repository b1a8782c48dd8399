#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct x264_t;

// libx264 at a fixed quantiser, no B-frames, no scene-cut keys: every
// picture gives one Annex B access unit at once, and every keyInterval-th
// unit is an IDR led by its sequence parameter set.
class CTestH264Encoder {
public:
    CTestH264Encoder(int width, int height, int keyInterval);
    ~CTestH264Encoder();

    bool IsOpen() const { return m_encoder != nullptr; }

    // One unit from a top-down BGR picture (3 bytes per pixel); empty on failure.
    std::vector<std::uint8_t> Encode(const std::vector<std::uint8_t>& bgr);

private:
    struct Closer {
        void operator()(x264_t* encoder) const;
    };

    std::unique_ptr<x264_t, Closer> m_encoder;
    int m_width;
    int m_height;
    std::int64_t m_pts = 0;
    std::vector<std::uint8_t> m_planes;
};
