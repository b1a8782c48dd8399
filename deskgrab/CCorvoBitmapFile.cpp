#include "CCorvoBitmapFile.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPlainRgb = 0;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool Fail(std::string* error, const char* reason) {
    *error = reason;
    return false;
}

}  // namespace

bool CCorvoBitmapFile::Load(const std::string& path, CCorvoImage* image, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return Fail(error, "cannot open the file");
    }
    const std::uint64_t limit =
        kFileHeaderSize + 1024 + 1024 + static_cast<std::uint64_t>(kMaxSide) * kMaxSide * 4;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > limit) {
        return Fail(error, "the file is too large for a bitmap");
    }
    file.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
        return Fail(error, "cannot read the file");
    }
    return Decode(bytes.data(), bytes.size(), image, error);
}

bool CCorvoBitmapFile::Decode(const std::uint8_t* data, std::size_t size, CCorvoImage* image,
                              std::string* error) {
    if (size < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M') {
        return Fail(error, "not a bitmap file");
    }
    const std::uint8_t* info = data + kFileHeaderSize;
    const std::uint32_t infoSize = ReadU32(info);
    if (infoSize < kInfoHeaderSize || infoSize > size - kFileHeaderSize) {
        return Fail(error, "unsupported bitmap header");
    }
    const auto width = static_cast<std::int32_t>(ReadU32(info + 4));
    const auto rawHeight = static_cast<std::int32_t>(ReadU32(info + 8));
    const std::uint16_t planes = ReadU16(info + 12);
    const std::uint16_t bits = ReadU16(info + 14);
    const std::uint32_t compression = ReadU32(info + 16);
    const std::uint32_t coloursUsed = ReadU32(info + 32);
    const bool topDown = rawHeight < 0;
    const std::int64_t height = std::llabs(static_cast<std::int64_t>(rawHeight));
    if (width <= 0 || height == 0 || width > kMaxSide || height > kMaxSide || planes != 1) {
        return Fail(error, "unsupported bitmap size");
    }
    const bool indexed = bits == 1 || bits == 4 || bits == 8;
    if (!indexed && bits != 24 && bits != 32) {
        return Fail(error, "unsupported bit count");
    }
    if (compression == kBitFields && bits == 32) {
        // Only the masks of the plain layout are understood.
        if (size < kFileHeaderSize + kInfoHeaderSize + 12 ||
            ReadU32(info + kInfoHeaderSize) != 0x00ff0000u ||
            ReadU32(info + kInfoHeaderSize + 4) != 0x0000ff00u ||
            ReadU32(info + kInfoHeaderSize + 8) != 0x000000ffu) {
            return Fail(error, "unsupported colour masks");
        }
    } else if (compression != kPlainRgb) {
        return Fail(error, "compressed bitmaps are not supported");
    }

    std::uint8_t palette[256 * 4] = {};
    if (indexed) {
        const std::uint32_t most = 1u << bits;
        const std::uint32_t entries = coloursUsed == 0 ? most : coloursUsed;
        const std::size_t paletteAt = kFileHeaderSize + infoSize;
        if (entries > most || paletteAt + static_cast<std::size_t>(entries) * 4 > size) {
            return Fail(error, "bad palette");
        }
        std::memcpy(palette, data + paletteAt, static_cast<std::size_t>(entries) * 4);
    }

    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t offset = ReadU32(data + 10);
    if (offset > size || stride * static_cast<std::uint64_t>(height) > size - offset) {
        return Fail(error, "the pixel data is cut short");
    }

    CCorvoImage decoded(width, static_cast<int>(height));
    for (int y = 0; y < decoded.Height(); ++y) {
        const int fileRow = topDown ? y : decoded.Height() - 1 - y;
        const std::uint8_t* from = data + offset + stride * static_cast<std::uint64_t>(fileRow);
        std::uint8_t* to = decoded.Row(y);
        for (int x = 0; x < width; ++x, to += 4) {
            if (indexed) {
                // Pixels are packed from the most significant bit down.
                const int bit = x * bits;
                const int index = from[bit / 8] >> (8 - bits - bit % 8) & ((1 << bits) - 1);
                std::memcpy(to, palette + 4 * index, 3);
            } else {
                std::memcpy(to, from + static_cast<std::size_t>(x) * (bits / 8), 3);
            }
        }
    }
    *image = std::move(decoded);
    return true;
}
