#include "CCodecQuality.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>

extern "C" {
#include <libavutil/tx.h>
}

namespace {

// Segments quieter than -50 dBFS do not count.
constexpr double kSilence = 1e-5;
constexpr int kFft = 1024;

struct TxDeleter {
    void operator()(AVTXContext* context) const { av_tx_uninit(&context); }
};

double bark(double hz) {
    return 13.0 * std::atan(0.00076 * hz) + 3.5 * std::atan((hz / 7500.0) * (hz / 7500.0));
}

}  // namespace

CCodecQuality::CCodecQuality(const std::vector<float>& original, const std::vector<float>& decoded,
                             int channels, int sampleRate, int delay)
    : original_(original),
      decoded_(decoded),
      channels_(channels),
      sampleRate_(sampleRate),
      delay_(delay),
      frames_(std::min(static_cast<int>(original.size()) / channels,
                       static_cast<int>(decoded.size()) / channels - delay)) {}

double CCodecQuality::original(int frame, int channel) const {
    return original_[static_cast<std::size_t>(frame * channels_ + channel)];
}

double CCodecQuality::decoded(int frame, int channel) const {
    return decoded_[static_cast<std::size_t>((frame + delay_) * channels_ + channel)];
}

double CCodecQuality::segmentalSnrDb() const {
    const int length = sampleRate_ / 50;
    double sum = 0.0;
    int segments = 0;
    for (int start = 0; start + length <= frames_; start += length) {
        double signal = 0.0;
        double noise = 0.0;
        for (int i = start; i < start + length; ++i) {
            for (int c = 0; c < channels_; ++c) {
                const double wanted = original(i, c);
                signal += wanted * wanted;
                noise += (decoded(i, c) - wanted) * (decoded(i, c) - wanted);
            }
        }
        if (signal < kSilence * length * channels_) {
            continue;
        }
        sum += std::clamp(10.0 * std::log10(signal / std::max(noise, 1e-20)), -10.0, 40.0);
        ++segments;
    }
    return segments > 0 ? sum / segments : 0.0;
}

double CCodecQuality::barkDistortionDb() const {
    AVTXContext* raw = nullptr;
    av_tx_fn run = nullptr;
    const float scale = 1.0f;
    if (av_tx_init(&raw, &run, AV_TX_FLOAT_RDFT, 0, kFft, &scale, 0) < 0) {
        return -1.0;
    }
    std::unique_ptr<AVTXContext, TxDeleter> context(raw);
    alignas(64) float input[kFft];
    alignas(64) std::complex<float> output[kFft / 2 + 1];
    const double pi = std::acos(-1.0);
    const int bands = static_cast<int>(bark(sampleRate_ / 2.0)) + 1;
    auto spectrum = [&](bool fromDecoded, int start, std::vector<double>& energies) {
        for (int i = 0; i < kFft; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * pi * i / kFft);
            input[i] = static_cast<float>(
                hann * (fromDecoded ? decoded(start + i, 0) : original(start + i, 0)));
        }
        run(context.get(), output, input, sizeof(float));
        std::fill(energies.begin(), energies.end(), 0.0);
        for (int k = 1; k <= kFft / 2; ++k) {
            const int band = static_cast<int>(bark(static_cast<double>(k) * sampleRate_ / kFft));
            energies[static_cast<std::size_t>(band)] += std::norm(output[k]);
        }
    };
    std::vector<double> wanted(static_cast<std::size_t>(bands));
    std::vector<double> got(static_cast<std::size_t>(bands));
    double sum = 0.0;
    int count = 0;
    for (int start = 0; start + kFft <= frames_; start += kFft / 2) {
        spectrum(false, start, wanted);
        double total = 0.0;
        for (double e : wanted) {
            total += e;
        }
        if (total < kSilence * kFft) {
            continue;
        }
        spectrum(true, start, got);
        // Bands 60 dB under the frame's whole energy are left out on both sides.
        const double floor = total * 1e-6;
        for (int b = 0; b < bands; ++b) {
            const auto band = static_cast<std::size_t>(b);
            sum += std::fabs(10.0 * std::log10((wanted[band] + floor) / (got[band] + floor)));
            ++count;
        }
    }
    return count > 0 ? sum / count : 0.0;
}

double CCodecQuality::preEchoDb(const std::vector<int>& onsets) const {
    const int length = sampleRate_ / 50;
    double echo = 0.0;
    double sound = 0.0;
    for (int onset : onsets) {
        if (onset < length || onset + length > frames_) {
            continue;
        }
        for (int i = 0; i < length; ++i) {
            for (int c = 0; c < channels_; ++c) {
                const double before =
                    decoded(onset - length + i, c) - original(onset - length + i, c);
                echo += before * before;
                sound += original(onset + i, c) * original(onset + i, c);
            }
        }
    }
    return 10.0 * std::log10(std::max(echo, 1e-20) / std::max(sound, 1e-20));
}
