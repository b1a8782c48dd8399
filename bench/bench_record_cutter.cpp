// Records per second through the client's record cutter, fed in 16-KB reads,
// against a plain loop over the same bytes (read each length, copy the record
// out) in the same process.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "CKivRecordCutter.h"

namespace {

constexpr size_t kStreamBytes = 256u << 20;
constexpr int kRead = 16384;
constexpr int kRounds = 5;

std::vector<char> makeStream(uint32_t recordSize, size_t* records) {
    std::vector<char> stream;
    stream.reserve(kStreamBytes + recordSize);
    *records = 0;
    while (stream.size() + recordSize <= kStreamBytes) {
        const uint32_t header[] = {recordSize, 15, 0x1D1E1F1C, recordSize, 0};
        const size_t at = stream.size();
        stream.resize(at + recordSize, static_cast<char>(*records));
        std::memcpy(stream.data() + at, header, sizeof(header));
        ++*records;
    }
    return stream;
}

template <class F>
double bestSeconds(F&& run) {
    double best = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

volatile uint64_t g_sink;

void measure(uint32_t recordSize) {
    size_t records = 0;
    const std::vector<char> stream = makeStream(recordSize, &records);
    const size_t used = records * recordSize;

    std::vector<char> out(CKivRecordCutter::kDeliveryCapacity);
    const double plain = bestSeconds([&] {
        uint64_t sum = 0;
        size_t offset = 0;
        while (offset < used) {
            uint32_t length = 0;
            std::memcpy(&length, stream.data() + offset, 4);
            std::memcpy(out.data(), stream.data() + offset, length);
            sum += static_cast<unsigned char>(out[length - 1]);
            offset += length;
        }
        g_sink = sum;
    });

    size_t cutCount = 0;
    const double cutter = bestSeconds([&] {
        CKivRecordCutter cut;
        uint64_t sum = 0;
        cutCount = 0;
        for (size_t offset = 0; offset < used; offset += kRead) {
            const int chunk = static_cast<int>(std::min<size_t>(kRead, used - offset));
            cut.append(stream.data() + offset, chunk);
            while (cut.next() == CKivRecordCutter::Status::Delivered) {
                sum += static_cast<unsigned char>(cut.record()[cut.recordLength() - 1]);
                ++cutCount;
            }
        }
        g_sink = sum;
    });

    if (cutCount != records) {
        std::printf("record cutter: lost records (%zu of %zu)\n", cutCount, records);
        return;
    }
    std::printf("%5u-byte records: cutter %.0f records/s, plain loop %.0f records/s, ratio %.2fx\n",
                recordSize, records / cutter, records / plain, cutter / plain);
}

}  // namespace

int main() {
    measure(1024);
    measure(8192);
    return 0;
}
