#include "NetSourceKeyUnit.h"

bool IsNetSourceKeyUnit(const std::uint8_t* data, int length) {
    return data != nullptr && length >= 5 && data[4] == 0x67;
}
