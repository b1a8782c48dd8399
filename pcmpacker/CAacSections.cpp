#include "CAacSections.h"

#include <algorithm>

#include "CAacBitWriter.h"
#include "CAacHuffman.h"

namespace {

// A long window's section length is sent in 5-bit steps; 31 says "more follows".
constexpr int kLengthBits = 5;
constexpr int kLengthEscape = (1 << kLengthBits) - 1;
constexpr int kBookBits = 4;

int headerBits(int length) {
    return kBookBits + kLengthBits * (length / kLengthEscape + 1);
}

struct Span {
    int start;
    int end;
    int codebook;
    int bits;  // header and spectral data
};

// The cheapest codebook for bands [start, end), from running sums per book.
Span cheapest(const std::vector<CAacSections::BandCosts>& sums, int start, int end) {
    Span best{start, end, 0, CAacHuffman::kUnusable};
    for (int c = 0; c < CAacSections::kBooks; ++c) {
        const auto book = static_cast<std::size_t>(c);
        const int bits =
            sums[static_cast<std::size_t>(end)][book] - sums[static_cast<std::size_t>(start)][book];
        if (bits < best.bits) {
            best.codebook = c;
            best.bits = bits;
        }
    }
    best.bits += headerBits(end - start);
    return best;
}

}  // namespace

int CAacSections::choose(const BandCosts* costs, int count, std::vector<Section>& sections) {
    // Running sums stay far below overflow: 51 bands of kUnusable at most.
    std::vector<BandCosts> sums(static_cast<std::size_t>(count) + 1);
    sums[0].fill(0);
    for (int b = 0; b < count; ++b) {
        for (int c = 0; c < kBooks; ++c) {
            const auto book = static_cast<std::size_t>(c);
            sums[static_cast<std::size_t>(b) + 1][book] =
                sums[static_cast<std::size_t>(b)][book] +
                std::min(costs[b][book], CAacHuffman::kUnusable);
        }
    }

    // Start from one section per band and merge the neighbours that save the
    // most bits until no merge saves any. Each neighbour pair's merge is kept
    // and only the pairs beside a merge are worked out again.
    std::vector<Span> spans;
    spans.reserve(static_cast<std::size_t>(count));
    for (int b = 0; b < count; ++b) {
        spans.push_back(cheapest(sums, b, b + 1));
    }
    std::vector<Span> merges;
    merges.reserve(spans.size());
    for (std::size_t i = 0; i + 1 < spans.size(); ++i) {
        merges.push_back(cheapest(sums, spans[i].start, spans[i + 1].end));
    }
    const auto saving = [&](std::size_t i) {
        return spans[i].bits + spans[i + 1].bits - merges[i].bits;
    };
    for (;;) {
        int bestSaving = 0;
        std::size_t bestAt = 0;
        for (std::size_t i = 0; i < merges.size(); ++i) {
            if (saving(i) > bestSaving) {
                bestSaving = saving(i);
                bestAt = i;
            }
        }
        if (bestSaving == 0) {
            break;
        }
        spans[bestAt] = merges[bestAt];
        spans.erase(spans.begin() + static_cast<std::ptrdiff_t>(bestAt) + 1);
        merges.erase(merges.begin() + static_cast<std::ptrdiff_t>(bestAt));
        if (bestAt > 0) {
            merges[bestAt - 1] = cheapest(sums, spans[bestAt - 1].start, spans[bestAt].end);
        }
        if (bestAt < merges.size()) {
            merges[bestAt] = cheapest(sums, spans[bestAt].start, spans[bestAt + 1].end);
        }
    }

    sections.clear();
    int bits = 0;
    for (const Span& span : spans) {
        sections.push_back({span.codebook, span.start, span.end});
        bits += span.bits;
    }
    return bits;
}

void CAacSections::write(CAacBitWriter& writer, const std::vector<Section>& sections) {
    for (const Section& section : sections) {
        writer.put(static_cast<uint32_t>(section.codebook), kBookBits);
        int length = section.end - section.start;
        while (length >= kLengthEscape) {
            writer.put(kLengthEscape, kLengthBits);
            length -= kLengthEscape;
        }
        writer.put(static_cast<uint32_t>(length), kLengthBits);
    }
}
