#pragma once

#include <cstdint>
#include <string>

// The video half of a call: captures the camera (or a moving test picture),
// sends it to the peer as H.264 in UDP fragments and draws the local and the
// peer's picture into two native windows. One session serves all calls of a
// process; every operation returns 1.
class IPictureLink {
public:
    virtual int SetSessionInfo(int selfId, int peerId, int state) = 0;
    // Redirects the newest call's video to address:port.
    virtual int SetRemoteAddress(std::wstring remoteAddress, int remotePort) = 0;
    // Device name (empty: the first camera, or the test picture) and the
    // picture size sent; takes effect at the first StartCall.
    virtual int SetVideoFormat(std::wstring deviceName, int width, int height) = 0;
    // Window handles are native window ids (0: draw nothing there).
    virtual int StartCall(std::uintptr_t localWindow, std::uintptr_t remoteWindow,
                          std::wstring remoteAddress, int remotePort, std::wstring localAddress,
                          int localPort, int* callId) = 0;
    virtual int StopCall(int callId) = 0;

protected:
    ~IPictureLink() = default;
};
