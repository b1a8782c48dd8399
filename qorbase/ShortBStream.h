#pragma once

// A byte block with an 8-bit length. The record does not own the bytes.
struct ShortBStream {
    unsigned char length;
    unsigned char* data;
};
