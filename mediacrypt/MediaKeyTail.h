#pragma once

#include <array>
#include <cstdint>

// Key material riding in a Media record's 64-byte address field, after the
// address text and its terminating zero (an IPv4 address text needs at most
// 16 of the 17 bytes before it). The servers relay the record whole, so it
// reaches the peer's call window; a peer or server that drops it gives an
// unencrypted call.
//   0 "KIVE", 4 u8 version (1), 5 u8 kind, 6 32 bytes of key material,
//   38 nine zero bytes
namespace MediaKeyTail {

constexpr int kFieldBytes = 64;
constexpr int kOffset = 17;
constexpr int kBytes = kFieldBytes - kOffset;  // 47
constexpr std::uint8_t kVersion = 1;

enum class Kind : std::uint8_t {
    None = 0,
    // The caller's request: SHA-256 of its public half.
    Commit = 1,
    // The callee's answer: its public half.
    Public = 2,
};

struct Value {
    Kind kind = Kind::None;
    std::array<std::uint8_t, 32> bytes{};
};

// Writes the tail into `field` (kFieldBytes long); false when the address
// text reaches into the tail's place, which is then left alone.
bool Write(char* field, const Value& value);
// Kind None when the field holds no tail of a version we speak.
Value Read(const char* field);

}  // namespace MediaKeyTail
