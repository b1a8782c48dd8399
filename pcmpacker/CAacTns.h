#pragma once

#include <array>
#include <cstdint>

class CAacBitWriter;

// Temporal noise shaping of a long window: a prediction filter run across
// the spectrum flattens the envelope of the frame in time before
// quantisation; the decoder's inverse filter then gives the quantisation
// noise the signal's envelope, so little of it lands before an attack.
class CAacTns {
public:
    // AAC-LC allows order 12 in a long window.
    static constexpr int kMaxOrder = 12;

    // The decoder filters no band at or above this one (samplingIndex as in
    // the ADTS header).
    static int maxBands(int samplingIndex);

    // Filters lines[offsets[lowBand] .. offsets[highBand]) in place when the
    // prediction gain is worth the side information; bandCount is the
    // window's number of bands (the filter is signalled from the top band
    // down). Returns whether it filtered.
    bool shape(float* lines, const uint16_t* offsets, int lowBand, int highBand, int bandCount);
    void clear() { order_ = 0; }
    bool active() const { return order_ > 0; }
    // The tns_data() bits; 0 when inactive (its presence flag is not counted).
    int bits() const;
    void write(CAacBitWriter& writer) const;

private:
    int order_ = 0;
    int length_ = 0;
    bool compress_ = false;
    std::array<int, kMaxOrder> indices_{};
};
