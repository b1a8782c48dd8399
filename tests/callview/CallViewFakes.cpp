#include "CallViewFakes.h"

namespace {

QString Text(const std::wstring& text) {
    return QStringLiteral("\"%1\"").arg(QString::fromStdWString(text));
}

}  // namespace

int FakePictureLink::SetSessionInfo(int selfId, int peerId, int state) {
    calls << QStringLiteral("SetSessionInfo %1 %2 %3").arg(selfId).arg(peerId).arg(state);
    return 1;
}

int FakePictureLink::SetRemoteAddress(std::wstring address, int port) {
    calls << QStringLiteral("SetRemoteAddress %1 %2").arg(Text(address)).arg(port);
    return 1;
}

int FakePictureLink::SetVideoFormat(std::wstring device, int width, int height) {
    calls << QStringLiteral("SetVideoFormat %1 %2 %3").arg(Text(device)).arg(width).arg(height);
    return 1;
}

int FakePictureLink::StartCall(std::uintptr_t localWindow, std::uintptr_t remoteWindow,
                               std::wstring address, int port, std::wstring localAddress,
                               int localPort, int* callId) {
    calls << QStringLiteral("StartCall %1 %2 %3 %4 %5 %6")
                 .arg(localWindow)
                 .arg(remoteWindow)
                 .arg(Text(address))
                 .arg(port)
                 .arg(Text(localAddress))
                 .arg(localPort);
    *callId = m_next++;
    return 1;
}

int FakePictureLink::StopCall(int callId) {
    calls << QStringLiteral("StopCall %1").arg(callId);
    return 1;
}

int FakeSoundLink::SetSessionInfo(int selfId, int peerId, int state) {
    calls << QStringLiteral("SetSessionInfo %1 %2 %3").arg(selfId).arg(peerId).arg(state);
    return 1;
}

int FakeSoundLink::SetRemoteAddress(std::wstring address, int port) {
    calls << QStringLiteral("SetRemoteAddress %1 %2").arg(Text(address)).arg(port);
    return 1;
}

int FakeSoundLink::SetAudioFormat(std::wstring device, int rate, int bits, int channels) {
    calls << QStringLiteral("SetAudioFormat %1 %2 %3 %4")
                 .arg(Text(device))
                 .arg(rate)
                 .arg(bits)
                 .arg(channels);
    return 1;
}

int FakeSoundLink::StartCall(std::wstring address, int port, std::wstring localAddress,
                             int localPort, int* callId, int startMode) {
    calls << QStringLiteral("StartCall %1 %2 %3 %4 %5")
                 .arg(Text(address))
                 .arg(port)
                 .arg(Text(localAddress))
                 .arg(localPort)
                 .arg(startMode);
    *callId = m_next++;
    return 1;
}

int FakeSoundLink::StopCall(int callId) {
    calls << QStringLiteral("StopCall %1").arg(callId);
    return 1;
}
