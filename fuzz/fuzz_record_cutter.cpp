// Feeds arbitrary bytes in arbitrary chunk sizes to the record cutter and
// checks it against a straightforward model of the framing rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CKivRecordCutter.h"

namespace {

struct Model {
    std::vector<uint8_t> pending;
    bool broken = false;

    // Returns the length of the next record, 0 when more bytes are needed, -1 when broken.
    int next() {
        if (broken) {
            return -1;
        }
        if (pending.size() < 4) {
            return 0;
        }
        uint32_t length = 0;
        std::memcpy(&length, pending.data(), 4);
        if (length < 20 || length > 16384) {
            broken = true;
            return -1;
        }
        if (pending.size() >= 12 && pending[8] != 0x1C && pending[9] != 0x1F &&
            pending[10] != 0x1E && pending[11] != 0x1D) {
            broken = true;
            return -1;
        }
        return length <= pending.size() ? static_cast<int>(length) : 0;
    }
};

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CKivRecordCutter cutter;
    Model model;
    size_t offset = 0;
    while (offset < size) {
        // The first byte of every step chooses the size of the next chunk.
        const size_t want = 1 + (static_cast<size_t>(data[offset]) * 131) % 20000;
        ++offset;
        const size_t chunk = want < size - offset ? want : size - offset;
        const bool accepted =
            cutter.append(reinterpret_cast<const char*>(data + offset), static_cast<int>(chunk));
        const bool modelAccepts =
            !model.broken && model.pending.size() + chunk <= CKivRecordCutter::kPendingCapacity;
        check(accepted == modelAccepts);
        if (!accepted) {
            return 0;
        }
        model.pending.insert(model.pending.end(), data + offset, data + offset + chunk);
        offset += chunk;
        for (;;) {
            const int expected = model.next();
            const CKivRecordCutter::Status status = cutter.next();
            if (expected < 0) {
                check(status == CKivRecordCutter::Status::Broken);
                return 0;
            }
            if (expected == 0) {
                check(status == CKivRecordCutter::Status::NeedMore);
                break;
            }
            check(status == CKivRecordCutter::Status::Delivered);
            check(cutter.recordLength() == expected);
            check(std::memcmp(cutter.record(), model.pending.data(), expected) == 0);
            for (int i = expected; i < CKivRecordCutter::kDeliveryCapacity; ++i) {
                check(cutter.record()[i] == 0);
            }
            model.pending.erase(model.pending.begin(), model.pending.begin() + expected);
            check(cutter.pending() == static_cast<int>(model.pending.size()));
        }
    }
    return 0;
}
