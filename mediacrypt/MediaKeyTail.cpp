#include "MediaKeyTail.h"

#include <cstring>

namespace MediaKeyTail {

namespace {

constexpr char kMagic[4] = {'K', 'I', 'V', 'E'};

}  // namespace

bool Write(char* field, const Value& value) {
    if (field == nullptr || value.kind == Kind::None || std::memchr(field, 0, kOffset) == nullptr) {
        return false;
    }
    char* tail = field + kOffset;
    std::memset(tail, 0, kBytes);
    std::memcpy(tail, kMagic, sizeof(kMagic));
    tail[4] = static_cast<char>(kVersion);
    tail[5] = static_cast<char>(value.kind);
    std::memcpy(tail + 6, value.bytes.data(), value.bytes.size());
    return true;
}

Value Read(const char* field) {
    Value value;
    if (field == nullptr || std::memchr(field, 0, kOffset) == nullptr) {
        return value;
    }
    const char* tail = field + kOffset;
    const auto kind = static_cast<std::uint8_t>(tail[5]);
    if (std::memcmp(tail, kMagic, sizeof(kMagic)) != 0 ||
        static_cast<std::uint8_t>(tail[4]) != kVersion ||
        (kind != std::uint8_t(Kind::Commit) && kind != std::uint8_t(Kind::Public))) {
        return value;
    }
    value.kind = static_cast<Kind>(kind);
    std::memcpy(value.bytes.data(), tail + 6, value.bytes.size());
    return value;
}

}  // namespace MediaKeyTail
