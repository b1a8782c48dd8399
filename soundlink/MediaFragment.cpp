#include "MediaFragment.h"

namespace {

void Put16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value));
    Put16(out + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t Get16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* in) {
    return Get16(in) | (static_cast<std::uint32_t>(Get16(in + 2)) << 16);
}

}  // namespace

void MediaFragment::WriteTo(std::uint8_t* out) const {
    Put32(out, magic);
    Put16(out + 4, index);
    Put16(out + 6, count);
    Put32(out + 8, sequence);
    Put16(out + 12, flag);
    Put16(out + 14, payloadLength);
}

MediaFragment MediaFragment::ReadFrom(const std::uint8_t* in) {
    MediaFragment fragment;
    fragment.magic = Get32(in);
    fragment.index = Get16(in + 4);
    fragment.count = Get16(in + 6);
    fragment.sequence = Get32(in + 8);
    fragment.flag = Get16(in + 12);
    fragment.payloadLength = Get16(in + 14);
    return fragment;
}
