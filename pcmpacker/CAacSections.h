#pragma once

#include <array>
#include <vector>

class CAacBitWriter;

// Groups the bands of a long window into sections that share a codebook,
// trading the cost of a section's header against dearer codebooks.
class CAacSections {
public:
    static constexpr int kBooks = 12;  // 0 (all zero) and the eleven spectral books
    using BandCosts = std::array<int, kBooks>;

    struct Section {
        int codebook = 0;
        int start = 0;
        int end = 0;
    };

    // costs[b][c]: bits of band b in codebook c (CAacHuffman::kUnusable when
    // it cannot hold the band). Fills the sections over bands [0, count) and
    // returns the bits of the section data and the spectral data together.
    static int choose(const BandCosts* costs, int count, std::vector<Section>& sections);
    static void write(CAacBitWriter& writer, const std::vector<Section>& sections);
};
