#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "IPictureLink.h"
#include "IPictureLinkSetup.h"

class CPictureCall;
class CPictureCapture;

// The video session: one capture and encoder for all calls, one transport
// and player per call. Operations come from the caller's thread; encoded
// frames fan out to the calls on the capture's streaming thread.
class CPictureLink : public IPictureLink, public IPictureLinkSetup {
public:
    CPictureLink();
    ~CPictureLink();

    int SetSessionInfo(int selfId, int peerId, int state) override;
    int SetRemoteAddress(std::wstring remoteAddress, int remotePort) override;
    int SetVideoFormat(std::wstring deviceName, int width, int height) override;
    int StartCall(std::uintptr_t localWindow, std::uintptr_t remoteWindow,
                  std::wstring remoteAddress, int remotePort, std::wstring localAddress,
                  int localPort, int* callId) override;
    int StopCall(int callId) override;
    void SetCallKeys(std::shared_ptr<CMediaCallKeys> keys) override;

private:
    // With KIV_PICTURELINK_FIGURES=<seconds> set (for the call benchmark), the
    // pictures drawn and their delays go to standard error at that interval.
    void StartReporting();
    void ReportFigures();

    void OnEncoded(const std::uint8_t* frame, int length);

    std::unique_ptr<CPictureCapture> m_capture;
    std::mutex m_callsLock;
    std::vector<std::unique_ptr<CPictureCall>> m_calls;
    int m_nextCallId = 0;
    std::string m_device;
    int m_width = 320;
    int m_height = 240;
    int m_selfId = 0;
    int m_peerId = 0;
    int m_state = 1;
    std::shared_ptr<CMediaCallKeys> m_callKeys;
    std::thread m_reporter;
    std::mutex m_reporterLock;
    std::condition_variable m_reporterWake;
    bool m_reporterStop = false;
};
