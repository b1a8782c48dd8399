#pragma once

#include <memory>
#include <vector>

// The long-window MDCT of one channel: each call takes the frame's new 1024
// samples and transforms them together with the previous 1024 under a sine
// window, so a frame is complete as soon as its own samples are in.
class CAacMdct {
public:
    static constexpr int kLines = 1024;

    // Null when libavutil has no transform for this length.
    static std::unique_ptr<CAacMdct> create();
    ~CAacMdct();
    CAacMdct(const CAacMdct&) = delete;
    CAacMdct& operator=(const CAacMdct&) = delete;

    // samples: kLines values in 16-bit units; lines: kLines coefficients,
    // scaled so that the standard's decoder gives the samples back.
    void transform(const float* samples, float* lines);

private:
    struct Transform;
    explicit CAacMdct(std::unique_ptr<Transform> transform);

    std::unique_ptr<Transform> transform_;
    std::vector<float> window_;
    std::vector<float> input_;
};
