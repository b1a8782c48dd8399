#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CDeliveredFrames.h"
#include "CFrameAssembler.h"
#include "CMediaGuard.h"
#include "INetEvent2.h"
#include "IRecvEvent.h"
#include "IUDPWireCore2.h"
#include "SoundLinkAddress.h"

// The UDP transport of one call: AAC frames cut into media fragments to the
// peer, each frame twice (the copy one frame later, under its own magic),
// the registration to the media server, and reassembly of what the peer
// sends for the receive target, each frame once.
class CAudioTran : public INetEvent2 {
public:
    static constexpr int kRegistrationBytes = 176;
    static constexpr int kRegistrationCommand = 11001;

    CAudioTran();
    ~CAudioTran();
    CAudioTran(const CAudioTran&) = delete;
    CAudioTran& operator=(const CAudioTran&) = delete;

    // Binds localPort and starts receiving; 1 opened, 0 the port could not
    // be bound (nothing is sent then).
    int Open(const std::string& remoteAddress, int remotePort, const std::string& localAddress,
             int localPort);
    // Stops the kernel: no OnRecv runs after it returns.
    void Close();

    // The keys of the call opened next (null: a plain call); see CMediaGuard
    // for what the peer's datagrams must be to be heard.
    void SetCallKeys(std::shared_ptr<CMediaCallKeys> keys);
    void SetRemoteAddress(const std::string& remoteAddress, int remotePort);
    // Any thread; from the capture thread one frame at a time.
    void SendFrame(const std::uint8_t* frame, int length);
    void SendRegistration(int selfId, int peerId, int state, const SoundLinkMediaServer& server);
    void SetReceiveTarget(IRecvEvent* target);

    std::int32_t OnRecvFrom(const WireSource& source, const std::uint8_t* data,
                            int length) override;
    // The receive socket failed: logged once; the call sends on, deaf.
    void OnReceiveFailed(int error) override;

    std::uint32_t FramesSent() const;
    // Whole frames handed on (each sequence once), decoded or not.
    std::uint64_t FramesReceived() const { return m_framesReceived.load(); }
    // Copies reassembled; those handed on because their first sending had
    // not come; frames of either sending that came after the other.
    std::uint64_t CopiesReceived() const { return m_copiesReceived.load(); }
    std::uint64_t CopiesUsed() const { return m_copiesUsed.load(); }
    std::uint64_t DuplicatesDropped() const { return m_duplicatesDropped.load(); }
    // What the gate let through and dropped since the last Open.
    CMediaGuard::Counts GuardCounts() const;
    // Whether the receive socket failed since the last Open.
    bool ReceiveFailed() const { return m_receiveFailed.load(); }

private:
    // Sends one sending of a frame; false when its datagrams cannot be
    // sealed. The gap paces all but the copy's last datagram.
    bool SendFragments(std::uint32_t magic, std::uint32_t sequence, const std::uint8_t* frame,
                       int length, std::uint32_t address, std::uint16_t port);
    void Deliver(const CFrameAssembler& assembler, bool copy, std::int64_t arrivalUs);

    std::unique_ptr<IUDPWireCore2> m_kernel;

    // Guards the destination, the send buffer and the frame counter.
    mutable std::mutex m_sendLock;
    std::string m_remoteAddress;
    int m_remotePort = 0;
    std::string m_localAddress;
    int m_localPort = 0;
    std::vector<std::uint8_t> m_sendBuffer;
    std::uint32_t m_frameCounter = 0;
    // The frame last sent, whose copy follows the next frame.
    std::vector<std::uint8_t> m_copy;
    std::uint32_t m_copySequence = 0;
    std::shared_ptr<CMediaCallKeys> m_keys;
    // Replaced only while the kernel is stopped, under m_sendLock.
    std::unique_ptr<CMediaGuard> m_guard;

    // Receive thread only.
    CFrameAssembler m_assembler;
    CFrameAssembler m_copyAssembler{MediaFragment::kCopyMagic};
    CDeliveredFrames m_delivered;
    std::atomic<IRecvEvent*> m_target{nullptr};
    std::atomic<std::uint64_t> m_framesReceived{0};
    std::atomic<std::uint64_t> m_copiesReceived{0};
    std::atomic<std::uint64_t> m_copiesUsed{0};
    std::atomic<std::uint64_t> m_duplicatesDropped{0};
    std::atomic<bool> m_receiveFailed{false};
};
