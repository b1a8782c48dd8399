#include "MediaFragment.h"

#include "MediaDatagram.h"

// The head's fields, little-endian like every part of a call's datagrams.
using MediaDatagram::Get16;
using MediaDatagram::Get32;
using MediaDatagram::Put16;
using MediaDatagram::Put32;

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
