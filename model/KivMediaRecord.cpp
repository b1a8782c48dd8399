#include "KivMediaRecord.h"

#include <QtEndian>

bool KivMediaFromMessage(const QByteArray& data, ptl_sys_send_per_media* record) {
    if (data.size() < int(sizeof(FrameHeader))) {
        return false;
    }
    const quint32 length = qFromLittleEndian<quint32>(data.constData());
    if (length < sizeof(FrameHeader) || length > sizeof(ptl_sys_send_per_media) ||
        length > quint32(data.size())) {
        return false;
    }
    std::memset(record, 0, sizeof(*record));
    std::memcpy(record, data.constData(), length);
    // Address texts are read as C strings.
    record->addressA[sizeof(record->addressA) - 1] = '\0';
    record->addressB[sizeof(record->addressB) - 1] = '\0';
    return true;
}

std::uint32_t KivMessageCommand(const QByteArray& data) {
    return data.size() < 8 ? 0 : qFromLittleEndian<quint32>(data.constData() + 4);
}

QByteArray KivMediaToMessage(const ptl_sys_send_per_media& record) {
    return QByteArray(reinterpret_cast<const char*>(&record), int(sizeof(record)));
}
