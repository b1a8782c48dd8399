#pragma once

#include <cstdint>

// A byte block with a 32-bit length. The record does not own the bytes.
struct LongBStream {
    std::uint32_t length;
    unsigned char* data;
};
