#pragma once

#include <cstdint>

// The inner size of a native window of the display this process uses; false
// when there is no such window or no windowing system to ask.
bool KivNativeWindowSize(std::uintptr_t window, int* width, int* height);
