#include "CAacMdct.h"

#include <array>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/tx.h>
}

namespace {

struct TxDeleter {
    void operator()(AVTXContext* context) const { av_tx_uninit(&context); }
};

}  // namespace

struct CAacMdct::Transform {
    std::unique_ptr<AVTXContext, TxDeleter> context;
    av_tx_fn run = nullptr;
    // The transform's vector code wants aligned buffers.
    alignas(64) std::array<float, 2 * kLines> windowed;
    alignas(64) std::array<float, kLines> lines;
};

std::unique_ptr<CAacMdct> CAacMdct::create() {
    auto transform = std::make_unique<Transform>();
    // The decoder's inverse divides by half the window length; the forward
    // transform of the standard carries a factor of 2 instead of 1.
    const float scale = 2.0f;
    AVTXContext* context = nullptr;
    if (av_tx_init(&context, &transform->run, AV_TX_FLOAT_MDCT, 0, kLines, &scale, 0) < 0) {
        return nullptr;
    }
    transform->context.reset(context);
    return std::unique_ptr<CAacMdct>(new CAacMdct(std::move(transform)));
}

CAacMdct::CAacMdct(std::unique_ptr<Transform> transform)
    : transform_(std::move(transform)), window_(2 * kLines), input_(2 * kLines, 0.0f) {
    const double pi = std::acos(-1.0);
    for (int n = 0; n < 2 * kLines; ++n) {
        window_[static_cast<std::size_t>(n)] =
            static_cast<float>(std::sin(pi / (2 * kLines) * (n + 0.5)));
    }
}

CAacMdct::~CAacMdct() = default;

void CAacMdct::transform(const float* samples, float* lines) {
    std::memcpy(input_.data() + kLines, samples, kLines * sizeof(float));
    Transform& t = *transform_;
    for (std::size_t n = 0; n < t.windowed.size(); ++n) {
        t.windowed[n] = input_[n] * window_[n];
    }
    t.run(t.context.get(), t.lines.data(), t.windowed.data(), sizeof(float));
    std::memcpy(lines, t.lines.data(), kLines * sizeof(float));
    std::memcpy(input_.data(), input_.data() + kLines, kLines * sizeof(float));
}
