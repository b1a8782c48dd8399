#include "KivProtocol.h"

#include <algorithm>

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

// Length of the UTF-8 sequence a lead byte announces, 0 when it is no lead byte.
int sequenceLength(unsigned char lead) {
    if ((lead & 0xE0u) == 0xC0u) {
        return 2;
    }
    if ((lead & 0xF0u) == 0xE0u) {
        return 3;
    }
    if ((lead & 0xF8u) == 0xF0u) {
        return 4;
    }
    return 0;
}

// Where to cut `text` so that at most `limit` bytes remain and no UTF-8 sequence
// is split; bytes that are not UTF-8 are cut exactly at the limit.
int cutPoint(const char* text, int limit) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (!isContinuation(bytes[limit])) {
        return limit;
    }
    for (int lead = limit - 1; lead >= 0 && lead >= limit - 3; --lead) {
        if (!isContinuation(bytes[lead])) {
            return sequenceLength(bytes[lead]) > limit - lead ? lead : limit;
        }
    }
    return limit;
}

}  // namespace

void KivFillHeader(FrameHeader& head, std::uint32_t command, std::uint32_t length) {
    head.length = length;
    head.command = command;
    head.magic = FRAME_MAGIC;
    head.length2 = length;
    head.reserved = 0;
}

bool KivWriteText(char* field, int size, const char* text, int length) {
    if (field == nullptr || size < 1) {
        return false;
    }
    if (text == nullptr || length < 0) {
        length = 0;
    }
    const void* nul = length > 0 ? std::memchr(text, 0, static_cast<size_t>(length)) : nullptr;
    const int textLength =
        nul != nullptr ? static_cast<int>(static_cast<const char*>(nul) - text) : length;
    const int copied = textLength < size ? textLength : cutPoint(text, size - 1);
    if (copied > 0) {
        std::memcpy(field, text, static_cast<size_t>(copied));
    }
    std::memset(field + copied, 0, static_cast<size_t>(size - copied));
    return copied == length;
}

QByteArray KivReadText(const char* field, int size) {
    if (field == nullptr || size <= 0) {
        return QByteArray();
    }
    const void* nul = std::memchr(field, 0, static_cast<size_t>(size));
    const int length =
        nul != nullptr ? static_cast<int>(static_cast<const char*>(nul) - field) : size;
    return QByteArray(field, length);
}

std::vector<FriendRecord> KivFriendRecords(const tag_friend_result& list) {
    const auto count = static_cast<int>(
        std::min<std::uint32_t>(list.count, static_cast<std::uint32_t>(kKivMaxFriendRecords)));
    std::vector<FriendRecord> records(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        std::memcpy(&records[static_cast<size_t>(i)], list.data + i * sizeof(FriendRecord),
                    sizeof(FriendRecord));
    }
    return records;
}
