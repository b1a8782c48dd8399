#pragma once

class CAacBitWriter;

// The spectral values of one band in one of the eleven codebooks: what they
// cost and how they are written (codeword, sign bits, escapes).
class CAacHuffman {
public:
    // Cost of a band the codebook cannot hold.
    static constexpr int kUnusable = 1 << 20;
    // AAC's escape reaches 8191.
    static constexpr int kLargestValue = 8191;

    // Bits for the values in the codebook, sign and escape bits included.
    // Codebook 0 (nothing sent) holds an all-zero band only, for 0 bits.
    static int bandBits(const int* values, int count, int codebook);
    // bandBits() in an odd codebook below 11 and in the next one, which
    // share their layout: each codeword's index is found once for both.
    static void pairBits(const int* values, int count, int codebook, int bits[2]);
    static void writeBand(CAacBitWriter& writer, const int* values, int count, int codebook);
};
