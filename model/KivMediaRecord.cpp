#include "KivMediaRecord.h"

#include <QtEndian>
#include <cstring>

bool KivMediaFromMessage(const QByteArray& data, ptl_sys_send_per_media* record) {
    if (data.size() < int(sizeof(FrameHeader))) {
        return false;
    }
    // A longer record is taken as far as the media record goes: a peer or
    // server that announces more must not leave the call waiting.
    const quint32 length = qMin<quint32>(qFromLittleEndian<quint32>(data.constData()),
                                         quint32(sizeof(ptl_sys_send_per_media)));
    if (length < sizeof(FrameHeader) || length > quint32(data.size())) {
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

ptl_sys_send_per_media KivMediaRequestFrom(const ptl_sys_send_per_media& announced) {
    ptl_sys_send_per_media request = KivMediaEmpty();
    request.callerUid = announced.callerUid;
    request.calleeUid = announced.calleeUid;
    request.state = announced.state;
    std::memcpy(request.addressA, announced.addressA, sizeof(request.addressA));
    request.videoPortA = announced.videoPortA;
    return request;
}

void KivMediaTakeAudioPort(ptl_sys_send_per_media& request, const ptl_sys_send_per_media& ports) {
    request.audioPortA = ports.videoPortA;
}

ptl_sys_send_per_media KivMediaEmpty() {
    ptl_sys_send_per_media record;
    KivInitRecord(record, Media);
    return record;
}

ptl_sys_send_per_media KivMediaWithState(const ptl_sys_send_per_media& media, KivMediaState state) {
    ptl_sys_send_per_media out = media;
    out.state = state;
    return out;
}

void KivMediaTakeAnswerPorts(ptl_sys_send_per_media& answer, const ptl_sys_send_per_media& ports) {
    answer.audioPortA = ports.audioPortA;
    answer.audioPortB = ports.videoPortB;
}
