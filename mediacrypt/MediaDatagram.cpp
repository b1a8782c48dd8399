#include "MediaDatagram.h"

namespace MediaDatagram {

std::uint16_t Get16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* in) {
    return Get16(in) | (static_cast<std::uint32_t>(Get16(in + 2)) << 16);
}

std::uint64_t Get64(const std::uint8_t* in) {
    return Get32(in) | (static_cast<std::uint64_t>(Get32(in + 4)) << 32);
}

void Put16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value));
    Put16(out + 2, static_cast<std::uint16_t>(value >> 16));
}

void Put64(std::uint8_t* out, std::uint64_t value) {
    Put32(out, static_cast<std::uint32_t>(value));
    Put32(out + 4, static_cast<std::uint32_t>(value >> 32));
}

namespace {

bool HeadAgrees(const std::uint8_t* datagram, int length) {
    const int index = Get16(datagram + 4);
    const int count = Get16(datagram + 6);
    const int payload = Get16(datagram + 14);
    return count > 0 && index < count && payload == length - kFragmentHeadBytes;
}

}  // namespace

bool IsPlainFragment(const std::uint8_t* datagram, int length) {
    return datagram != nullptr && length > kFragmentHeadBytes && Get32(datagram) == kPlainMagic &&
           HeadAgrees(datagram, length);
}

bool IsFragment(const std::uint8_t* datagram, int length) {
    return datagram != nullptr && length > kFragmentHeadBytes && IsFragmentMagic(Get32(datagram)) &&
           HeadAgrees(datagram, length);
}

bool IsFragmentMagic(std::uint32_t magic) {
    return magic == kPlainMagic || magic == kCopyMagic;
}

bool IsSealed(const std::uint8_t* datagram, int length) {
    return datagram != nullptr && length >= 4 && Get32(datagram) == kSealedMagic;
}

}  // namespace MediaDatagram
