#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "CMediaGuard.h"
#include "CPictureReassembler.h"

class KivUdpSocket;

// One call's UDP leg: sends encoded frames as fragments to the remote
// address, and reassembles what arrives on the local port on its own thread,
// handing complete frames to the sink there. Only the peer's datagrams reach
// the reassembler (see CMediaGuard); with keys, what is sent is sealed.
class CPictureTransport {
public:
    // Null keys: a plain call.
    CPictureTransport(std::unique_ptr<KivUdpSocket> socket, CPictureReassembler::FrameSink sink,
                      std::shared_ptr<CMediaCallKeys> keys = nullptr);
    ~CPictureTransport();

    // Host byte order; frames sent afterwards go there.
    void SetRemote(std::uint32_t address, int port);
    // Any thread; one frame at a time.
    void SendFrame(const std::uint8_t* frame, int length);
    // The receive socket failed for good: said once, and the receive thread
    // ended; frames are still sent.
    bool ReceiveFailed() const { return m_receiveFailed.load(); }
    CMediaGuard::Counts GuardCounts() const { return m_guard.GetCounts(); }

private:
    void Receive();

    std::unique_ptr<KivUdpSocket> m_socket;
    CMediaGuard m_guard;
    CPictureReassembler m_reassembler;
    std::mutex m_remoteLock;
    std::uint32_t m_remoteAddress = 0;
    int m_remotePort = 0;
    std::uint32_t m_sequence = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_receiveFailed{false};
    std::thread m_receiver;
};
