#pragma once

#include <cstdint>

// The datagrams of a call. A plain fragment is the 16-byte little-endian head
//   0 u32 magic 0x51522001, 4 u16 index, 6 u16 count, 8 u32 sequence,
//   12 u16 flag, 14 u16 payload length
// and its payload (audio and video alike). Sound sends every frame twice:
// after the fragments of frame k go those of a copy of frame k-1, each a
// datagram of its own with the same head and payload but the copy magic
// 0x51522002, so that a burst of loss rarely takes both, and a receiver
// that knows only the first magic drops the copies. Our receiver puts the
// copies together apart from the first datagrams and hands on whichever of
// a frame comes first. Video is sent once. A sealed datagram wraps one:
//   0 u32 magic 0x51522E01, 4 u8 version (1), 5 u8 flags (1: reveal follows),
//   6 u16 zero, 8 u64 counter, [16 the sender's 32-byte public half],
//   then the fragment's head in the clear, its payload encrypted, and a
//   16-byte tag over all of it (AES-256-GCM, the head and everything before
//   it authenticated). A receiver that knows only plain fragments drops a
//   sealed one for its magic. A copy is sealed like any datagram, with a
//   counter of its own.
namespace MediaDatagram {

constexpr std::uint32_t kPlainMagic = 0x51522001u;
constexpr std::uint32_t kCopyMagic = 0x51522002u;
constexpr std::uint32_t kSealedMagic = 0x51522E01u;
constexpr std::uint8_t kVersion = 1;
constexpr std::uint8_t kFlagReveal = 1;

constexpr int kFragmentHeadBytes = 16;
constexpr int kSealedHeadBytes = 16;
constexpr int kRevealBytes = 32;
constexpr int kTagBytes = 16;
// What sealing adds at most to a plain fragment.
constexpr int kMaxOverhead = kSealedHeadBytes + kRevealBytes + kTagBytes;

// Whether `datagram` is a plain fragment (the first magic) whose head agrees
// with its length.
bool IsPlainFragment(const std::uint8_t* datagram, int length);
// The same for a plain fragment of either magic, first or copy.
bool IsFragment(const std::uint8_t* datagram, int length);
bool IsFragmentMagic(std::uint32_t magic);
// Whether it starts with the sealed magic.
bool IsSealed(const std::uint8_t* datagram, int length);

std::uint16_t Get16(const std::uint8_t* in);
std::uint32_t Get32(const std::uint8_t* in);
std::uint64_t Get64(const std::uint8_t* in);
void Put16(std::uint8_t* out, std::uint16_t value);
void Put32(std::uint8_t* out, std::uint32_t value);
void Put64(std::uint8_t* out, std::uint64_t value);

}  // namespace MediaDatagram
