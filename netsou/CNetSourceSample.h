#pragma once

#include <cstdint>
#include <vector>

// The pin's one media sample. Its bytes last from fill to fill, so a fill
// that leaves the sample unchanged delivers what it held before.
class CNetSourceSample {
public:
    // Keeps the bytes that fit; new bytes are zero.
    void Resize(int bytes);

    std::uint8_t* Data() { return m_bytes.data(); }
    const std::uint8_t* Data() const { return m_bytes.data(); }
    int Size() const { return static_cast<int>(m_bytes.size()); }

    int DataLength() const { return m_dataLength; }
    void SetDataLength(int length);

private:
    std::vector<std::uint8_t> m_bytes;
    int m_dataLength = 0;
};
