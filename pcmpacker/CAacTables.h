#pragma once

#include <cstdint>

// The fixed tables an AAC-LC bit stream is written with: Huffman codebooks
// for spectral values and scale factors, and the bands of a long window.
class CAacTables {
public:
    struct Codebook {
        const uint16_t* codes;
        const uint8_t* bits;
        int size;
        // Values per codeword: 4 (quads) or 2 (pairs).
        int dimension;
        // Signed books code the sign in the codeword; unsigned ones append sign bits.
        bool isSigned;
        // Largest magnitude a codeword holds; book 11 escapes from 16 upwards.
        int largest;
    };

    static constexpr int kSpectralBooks = 11;
    static constexpr int kEscapeBook = 11;
    static constexpr int kMaxScaleFactorDifference = 60;
    // Most bands a long window has at any rate.
    static constexpr int kMaxLongBands = 51;

    // codebook 1 to 11.
    static const Codebook& spectral(int codebook);
    // difference -60 to 60 between neighbouring scale factors.
    static uint32_t scaleFactorCode(int difference);
    static int scaleFactorBits(int difference);
    // Offsets of the bands of a 1024-line window, longBandCount + 1 entries
    // ending at 1024; samplingIndex as in the ADTS header.
    static const uint16_t* longBandOffsets(int samplingIndex);
    static int longBandCount(int samplingIndex);
};
