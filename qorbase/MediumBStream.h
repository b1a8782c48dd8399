#pragma once

// A byte block with a 16-bit length. The record does not own the bytes.
struct MediumBStream {
    unsigned short length;
    unsigned char* data;
};
