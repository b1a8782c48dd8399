#pragma once

#include <cstdint>

// True for an access unit that starts with a sequence parameter set behind
// a four-byte start code: the fifth byte is the NAL header 0x67.
bool IsNetSourceKeyUnit(const std::uint8_t* data, int length);
