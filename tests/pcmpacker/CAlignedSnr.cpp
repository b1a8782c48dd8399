#include "CAlignedSnr.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The delay is found on the opening frames, taking the original as silent
// before its start: the step from silence into the sound fixes the delay even
// for a periodic tone, where later windows match one period off just as well.
constexpr int kSearchFrames = 4096;

struct Energies {
    double signal = 0.0;
    double noise = 0.0;
};

// Compares original frames [first, end) with the decoded frames `delay` later;
// a negative first reaches into the silence before the original.
Energies compare(const std::vector<float>& original, const std::vector<float>& decoded,
                 int channels, int delay, int first, int end) {
    Energies energies;
    for (int frame = first; frame < end; ++frame) {
        for (int c = 0; c < channels; ++c) {
            const double wanted =
                frame < 0 ? 0.0 : original[static_cast<std::size_t>(frame * channels + c)];
            const double error =
                decoded[static_cast<std::size_t>((frame + delay) * channels + c)] - wanted;
            energies.signal += wanted * wanted;
            energies.noise += error * error;
        }
    }
    return energies;
}

}  // namespace

CAlignedSnr::Result CAlignedSnr::measure(const std::vector<float>& original,
                                         const std::vector<float>& decoded, int channels,
                                         int maxDelayFrames, int skipFrames) {
    Result result;
    const int originalFrames = static_cast<int>(original.size()) / channels;
    const int decodedFrames = static_cast<int>(decoded.size()) / channels;
    const int end = std::min(originalFrames, decodedFrames - maxDelayFrames);
    if (end < std::max(skipFrames, kSearchFrames)) {
        return result;
    }

    double leastNoise = std::numeric_limits<double>::max();
    for (int delay = 0; delay <= maxDelayFrames; ++delay) {
        const Energies window = compare(original, decoded, channels, delay, -delay, kSearchFrames);
        if (window.noise < leastNoise) {
            leastNoise = window.noise;
            result.delayFrames = delay;
        }
    }
    const Energies all = compare(original, decoded, channels, result.delayFrames, skipFrames, end);
    result.snrDb = all.noise > 0.0 ? 10.0 * std::log10(all.signal / all.noise)
                                   : std::numeric_limits<double>::infinity();
    return result;
}
