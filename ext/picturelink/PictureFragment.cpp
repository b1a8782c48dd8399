#include "PictureFragment.h"

#include <QtEndian>

#include <cstring>

namespace PictureFragment {

void Cut(const std::uint8_t* frame, int length, std::uint32_t sequence,
         const std::function<void(const std::uint8_t*, int)>& send) {
    if (length <= 0 || length > kMaxFrameBytes) {
        return;
    }
    const int count = (length + kPayloadBytes - 1) / kPayloadBytes;
    std::uint8_t datagram[kDatagramBytes];
    for (int index = 0; index < count; ++index) {
        const int payload = index + 1 < count ? kPayloadBytes : length - index * kPayloadBytes;
        qToLittleEndian<quint32>(kMagic, datagram);
        qToLittleEndian<quint16>(quint16(index), datagram + 4);
        qToLittleEndian<quint16>(quint16(count), datagram + 6);
        qToLittleEndian<quint32>(sequence, datagram + 8);
        qToLittleEndian<quint16>(1, datagram + 12);
        qToLittleEndian<quint16>(quint16(payload), datagram + 14);
        std::memcpy(datagram + kHeadBytes, frame + index * kPayloadBytes, size_t(payload));
        send(datagram, kHeadBytes + payload);
    }
}

bool Parse(const std::uint8_t* datagram, int length, Head* head) {
    if (length < kHeadBytes || length > kDatagramBytes ||
        qFromLittleEndian<quint32>(datagram) != kMagic) {
        return false;
    }
    head->index = qFromLittleEndian<quint16>(datagram + 4);
    head->count = qFromLittleEndian<quint16>(datagram + 6);
    head->sequence = qFromLittleEndian<quint32>(datagram + 8);
    head->flag = qFromLittleEndian<quint16>(datagram + 12);
    head->payload = qFromLittleEndian<quint16>(datagram + 14);
    return head->count >= 1 && head->count <= kMaxFragments && head->index < head->count &&
           head->payload >= 1 && head->payload == length - kHeadBytes &&
           (head->index + 1 == head->count || head->payload == kPayloadBytes);
}

}  // namespace PictureFragment
