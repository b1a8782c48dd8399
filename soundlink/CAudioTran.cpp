#include "CAudioTran.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "CSoundLog.h"
#include "MediaDatagram.h"
#include "MediaFragment.h"
#include "SoundLinkThreadPriority.h"
#include "WireCore2.h"

namespace {

// Paces the capture thread between datagrams, so a burst does not overrun
// the receiver.
constexpr auto kDatagramGap = std::chrono::milliseconds(1);

}  // namespace

CAudioTran::CAudioTran() = default;

CAudioTran::~CAudioTran() {
    Close();
}

int CAudioTran::Open(const std::string& remoteAddress, int remotePort,
                     const std::string& localAddress, int localPort) {
    Close();
    {
        std::lock_guard<std::mutex> guard(m_sendLock);
        m_remoteAddress = remoteAddress;
        m_remotePort = remotePort;
        m_localAddress = localAddress;
        m_localPort = localPort;
        m_guard = std::make_unique<CMediaGuard>(m_keys, MediaKind::Audio);
        m_copy.clear();
    }
    if (!m_kernel) {
        m_kernel.reset(A_CreateUDPWireCore2());
        if (!m_kernel) {
            return 0;
        }
    }
    m_receiveFailed.store(false);
    m_kernel->SetEventSink(this);
    // A sealed datagram is a fragment and what sealing adds.
    m_kernel->Configure(MediaFragment::kMaxDatagram + MediaDatagram::kMaxOverhead,
                        static_cast<std::uint16_t>(localPort), 0);
    if (m_kernel->Start() < 0) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(m_sendLock);
    m_sendBuffer.resize(MediaFragment::kMaxDatagram);
    return 1;
}

void CAudioTran::Close() {
    if (m_kernel) {
        m_kernel->Stop();
    }
    // What the gate kept from the call's sound, once it ends.
    const std::string dropped = m_guard ? m_guard->DropSummary() : std::string();
    if (!dropped.empty()) {
        std::fprintf(stderr, "SoundLink: %s\n", dropped.c_str());
    }
}

void CAudioTran::SetCallKeys(std::shared_ptr<CMediaCallKeys> keys) {
    std::lock_guard<std::mutex> guard(m_sendLock);
    m_keys = std::move(keys);
}

void CAudioTran::SetRemoteAddress(const std::string& remoteAddress, int remotePort) {
    std::lock_guard<std::mutex> guard(m_sendLock);
    m_remoteAddress = remoteAddress;
    m_remotePort = remotePort;
}

void CAudioTran::SendFrame(const std::uint8_t* frame, int length) {
    std::lock_guard<std::mutex> guard(m_sendLock);
    std::uint32_t address = 0;
    if (m_sendBuffer.empty() || !m_guard || frame == nullptr || length <= 0 ||
        length > MediaFragment::kMaxFrame || !SoundLinkParseIPv4(m_remoteAddress, &address) ||
        m_remotePort <= 0 || m_remotePort > 0xFFFF) {
        return;
    }
    const std::uint32_t sequence = m_frameCounter++;
    const auto port = static_cast<std::uint16_t>(m_remotePort);
    if (!SendFragments(MediaFragment::kMagic, sequence, frame, length, address, port)) {
        m_copy.clear();
        return;
    }
    // The frame before goes again a frame's time after its first sending,
    // so that a burst of loss rarely takes both.
    if (!m_copy.empty()) {
        SendFragments(MediaFragment::kCopyMagic, m_copySequence, m_copy.data(),
                      static_cast<int>(m_copy.size()), address, port);
    }
    m_copy.assign(frame, frame + length);
    m_copySequence = sequence;
}

bool CAudioTran::SendFragments(std::uint32_t magic, std::uint32_t sequence,
                               const std::uint8_t* frame, int length, std::uint32_t address,
                               std::uint16_t port) {
    MediaFragment header;
    header.magic = magic;
    header.sequence = sequence;
    header.flag = 1;
    header.count = static_cast<std::uint16_t>((length + MediaFragment::kMaxPayload - 1) /
                                              MediaFragment::kMaxPayload);
    for (int index = 0; index < header.count; ++index) {
        const int offset = index * MediaFragment::kMaxPayload;
        const int payload = std::min(MediaFragment::kMaxPayload, length - offset);
        header.index = static_cast<std::uint16_t>(index);
        header.payloadLength = static_cast<std::uint16_t>(payload);
        header.WriteTo(m_sendBuffer.data());
        std::memcpy(m_sendBuffer.data() + MediaFragment::kHeaderBytes, frame + offset,
                    static_cast<size_t>(payload));
        // Each datagram, copies too, is sealed with a counter of its own.
        const CMediaGuard::Span datagram =
            m_guard->Seal(m_sendBuffer.data(), MediaFragment::kHeaderBytes + payload);
        // Nothing goes out before the call's keys are agreed.
        if (datagram.length == 0) {
            return false;
        }
        m_kernel->SendTo(address, port, datagram.data, datagram.length);
        // The copy follows the first sending's gap; after it the capture
        // thread goes back to the microphone without a wait.
        if (magic != MediaFragment::kCopyMagic || index + 1 < header.count) {
            std::this_thread::sleep_for(kDatagramGap);
        }
    }
    return true;
}

void CAudioTran::SendRegistration(int selfId, int peerId, int state,
                                  const SoundLinkMediaServer& server) {
    int remotePort = 0;
    {
        std::lock_guard<std::mutex> guard(m_sendLock);
        if (m_sendBuffer.empty()) {
            return;
        }
        remotePort = m_remotePort;
    }
    if (!server.valid) {
        return;
    }
    std::uint8_t message[kRegistrationBytes] = {};
    MediaDatagram::Put32(message + 0, kRegistrationBytes);
    MediaDatagram::Put32(message + 4, kRegistrationCommand);
    MediaDatagram::Put32(message + 8, 0x1D1E1F1Cu);
    MediaDatagram::Put32(message + 12, kRegistrationBytes);
    MediaDatagram::Put32(message + 20, static_cast<std::uint32_t>(selfId));
    MediaDatagram::Put32(message + 24, static_cast<std::uint32_t>(peerId));
    MediaDatagram::Put32(message + 28, static_cast<std::uint32_t>(state));
    MediaDatagram::Put32(message + 168, state == 2 ? static_cast<std::uint32_t>(remotePort) : 0u);
    m_kernel->SendCommandTo(server.ipv4, server.port, message, kRegistrationBytes);
}

void CAudioTran::SetReceiveTarget(IRecvEvent* target) {
    m_target.store(target);
}

std::int32_t CAudioTran::OnRecvFrom(const WireSource& source, const std::uint8_t* data,
                                    int length) {
    // The kernel's receive thread, at its first datagram.
    SoundLinkPrioritizeThisThreadOnce(SoundLinkThreadKind::SoundReceive);
    // Only the peer's datagrams reach the assemblers, so no stranger's can
    // throw away the frame being put together.
    const CMediaGuard::Span fragment = m_guard->Open(source.ipv4, source.port, data, length);
    if (fragment.length == 0) {
        return kFail;
    }
    const bool copy = MediaDatagram::Get32(fragment.data) == MediaFragment::kCopyMagic;
    CFrameAssembler& assembler = copy ? m_copyAssembler : m_assembler;
    const CFrameAssembler::Result result = assembler.Add(fragment.data, fragment.length);
    if (result == CFrameAssembler::Result::Rejected) {
        return kFail;
    }
    if (result == CFrameAssembler::Result::Complete) {
        Deliver(assembler, copy, source.arrivalUs);
    }
    return kOk;
}

void CAudioTran::Deliver(const CFrameAssembler& assembler, bool copy, std::int64_t arrivalUs) {
    const std::uint32_t sequence = assembler.Sequence();
    const CDeliveredFrames::Status status = m_delivered.Check(sequence);
    if (copy) {
        ++m_copiesReceived;
    }
    // A copy older than the window is of a frame long past; a first sending
    // that late still goes on, for the playout to judge as before.
    if (status == CDeliveredFrames::Status::Delivered ||
        (copy && status == CDeliveredFrames::Status::TooOld)) {
        ++m_duplicatesDropped;
        return;
    }
    m_delivered.Take(sequence);
    if (copy) {
        ++m_copiesUsed;
    }
    ++m_framesReceived;
    if (IRecvEvent* target = m_target.load()) {
        target->OnRecv(sequence, assembler.Frame(), assembler.FrameLength(), assembler.KeyFlag(),
                       arrivalUs, copy);
    }
}

void CAudioTran::OnReceiveFailed(int error) {
    m_receiveFailed.store(true);
    const std::string message = std::string("The call's sound socket failed (") +
                                std::strerror(error) + "); nothing more is heard";
    CSoundLog::Failed(message.c_str(), CSoundLog::kFail, "CAudioTran", 140);
}

CMediaGuard::Counts CAudioTran::GuardCounts() const {
    std::lock_guard<std::mutex> guard(m_sendLock);
    return m_guard ? m_guard->GetCounts() : CMediaGuard::Counts();
}

std::uint32_t CAudioTran::FramesSent() const {
    std::lock_guard<std::mutex> guard(m_sendLock);
    return m_frameCounter;
}
