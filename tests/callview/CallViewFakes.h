#pragma once

#include <QStringList>

#include "IPictureLink.h"
#include "ISoundLink.h"

// Sessions that write down each operation as one line of text.
class FakePictureLink : public IPictureLink {
public:
    QStringList calls;
    int SetSessionInfo(int selfId, int peerId, int state) override;
    int SetRemoteAddress(std::wstring address, int port) override;
    int SetVideoFormat(std::wstring device, int width, int height) override;
    int StartCall(std::uintptr_t localWindow, std::uintptr_t remoteWindow, std::wstring address,
                  int port, std::wstring localAddress, int localPort, int* callId) override;
    int StopCall(int callId) override;

private:
    int m_next = 0;
};

class FakeSoundLink : public ISoundLink {
public:
    QStringList calls;
    int SetSessionInfo(int selfId, int peerId, int state) override;
    int SetRemoteAddress(std::wstring address, int port) override;
    int SetAudioFormat(std::wstring device, int rate, int bits, int channels) override;
    int StartCall(std::wstring address, int port, std::wstring localAddress, int localPort,
                  int* callId, int startMode) override;
    int StopCall(int callId) override;

private:
    int m_next = 0;
};
