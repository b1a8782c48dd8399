#include "CAacHuffman.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "CAacBitWriter.h"
#include "CAacTables.h"

namespace {

constexpr int kEscapeFrom = 16;

int index(const CAacTables::Codebook& book, const int* values) {
    const int range = book.isSigned ? 2 * book.largest + 1 : book.largest + 1;
    int result = 0;
    for (int j = 0; j < book.dimension; ++j) {
        const int v = values[j];
        result = result * range +
                 (book.isSigned ? v + book.largest : std::min(std::abs(v), book.largest));
    }
    return result;
}

// An escape of 2^N + w: N - 4 ones, a zero, then w in N bits.
int escapeLength(int magnitude) {
    int n = 4;
    while ((magnitude >> (n + 1)) != 0) {
        ++n;
    }
    return 2 * n - 3;
}

bool fits(const CAacTables::Codebook& book, int codebook, const int* values) {
    for (int j = 0; j < book.dimension; ++j) {
        const int magnitude = std::abs(values[j]);
        if (magnitude > book.largest &&
            (codebook != CAacTables::kEscapeBook || magnitude > CAacHuffman::kLargestValue)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int CAacHuffman::bandBits(const int* values, int count, int codebook) {
    if (codebook == 0) {
        for (int i = 0; i < count; ++i) {
            if (values[i] != 0) {
                return kUnusable;
            }
        }
        return 0;
    }
    const CAacTables::Codebook& book = CAacTables::spectral(codebook);
    int bits = 0;
    for (int i = 0; i < count; i += book.dimension) {
        if (!fits(book, codebook, values + i)) {
            return kUnusable;
        }
        bits += book.bits[index(book, values + i)];
        if (book.isSigned) {
            continue;
        }
        for (int j = 0; j < book.dimension; ++j) {
            const int magnitude = std::abs(values[i + j]);
            bits += magnitude != 0 ? 1 : 0;
            if (codebook == CAacTables::kEscapeBook && magnitude >= kEscapeFrom) {
                bits += escapeLength(magnitude);
            }
        }
    }
    return bits;
}

void CAacHuffman::pairBits(const int* values, int count, int codebook, int bits[2]) {
    const CAacTables::Codebook& book = CAacTables::spectral(codebook);
    const uint8_t* other = CAacTables::spectral(codebook + 1).bits;
    bits[0] = 0;
    bits[1] = 0;
    for (int i = 0; i < count; i += book.dimension) {
        if (!fits(book, codebook, values + i)) {
            bits[0] = bits[1] = kUnusable;
            return;
        }
        const int at = index(book, values + i);
        bits[0] += book.bits[at];
        bits[1] += other[at];
        for (int j = 0; !book.isSigned && j < book.dimension; ++j) {
            const int sign = values[i + j] != 0 ? 1 : 0;
            bits[0] += sign;
            bits[1] += sign;
        }
    }
}

void CAacHuffman::writeBand(CAacBitWriter& writer, const int* values, int count, int codebook) {
    if (codebook == 0) {
        return;
    }
    const CAacTables::Codebook& book = CAacTables::spectral(codebook);
    for (int i = 0; i < count; i += book.dimension) {
        const int* v = values + i;
        const int at = index(book, v);
        writer.put(book.codes[at], book.bits[at]);
        if (book.isSigned) {
            continue;
        }
        for (int j = 0; j < book.dimension; ++j) {
            if (v[j] != 0) {
                writer.put(v[j] < 0 ? 1 : 0, 1);
            }
        }
        if (codebook != CAacTables::kEscapeBook) {
            continue;
        }
        for (int j = 0; j < book.dimension; ++j) {
            const int magnitude = std::abs(v[j]);
            if (magnitude < kEscapeFrom) {
                continue;
            }
            const int length = escapeLength(magnitude);
            const int n = (length + 3) / 2;
            writer.put((1u << (n - 4)) - 1, n - 4);
            writer.put(0, 1);
            writer.put(static_cast<uint32_t>(magnitude - (1 << n)), n);
        }
    }
}
