#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CMediaCallKeys.h"
#include "CMediaReplayWindow.h"

class CMediaAead;

// The gate of one media transport (audio or video) of a call. Outgoing plain
// fragments are sealed with the call's keys; incoming datagrams reach the
// assembler only when they are the peer's: in an encrypted call only those
// whose tag is right, fresh, and from the source of the first such datagram;
// in a plain call only well-formed fragments from the first source that sent
// one. What is dropped is counted by reason.
//
// Seal runs on one sending thread at a time, Open on the receive thread.
class CMediaGuard {
public:
    // Largest plain fragment (the 16-byte head and its payload).
    static constexpr int kMaxFragmentBytes = 4096;
    struct Span {
        const std::uint8_t* data = nullptr;
        int length = 0;
    };
    struct Counts {
        std::uint64_t passed = 0;
        std::uint64_t foreignSource = 0;
        std::uint64_t unauthenticated = 0;
        std::uint64_t replayed = 0;
        std::uint64_t plainRefused = 0;
        std::uint64_t malformed = 0;
        std::uint64_t notReady = 0;
    };

    // Null keys: a plain call.
    CMediaGuard(std::shared_ptr<CMediaCallKeys> keys, MediaKind kind);
    ~CMediaGuard();
    CMediaGuard(const CMediaGuard&) = delete;
    CMediaGuard& operator=(const CMediaGuard&) = delete;

    // The datagram to send for one plain fragment; length 0: send nothing
    // (no keys yet, or the fragment is not one). Valid until the next Seal.
    Span Seal(const std::uint8_t* fragment, int length);
    // The plain fragment a datagram from sourceAddress:sourcePort (host
    // byte order) carries; length 0: drop it. Valid until the next Open.
    Span Open(std::uint32_t sourceAddress, std::uint16_t sourcePort, const std::uint8_t* datagram,
              int length);

    Counts GetCounts() const;
    // What was dropped, for the log ("3 datagrams dropped: 2 failed
    // authentication, 1 from another address"); empty when nothing was.
    std::string DropSummary() const;
    bool IsEncrypted() const;

private:
    CMediaCallKeys::State State() const;
    Span OpenPlain(std::uint32_t sourceAddress, std::uint16_t sourcePort,
                   const std::uint8_t* datagram, int length);
    Span OpenSealed(std::uint32_t sourceAddress, std::uint16_t sourcePort,
                    const std::uint8_t* datagram, int length);
    bool IsLockedElsewhere(std::uint32_t sourceAddress, std::uint16_t sourcePort) const;
    void Lock(std::uint32_t sourceAddress, std::uint16_t sourcePort);
    Span Drop(std::atomic<std::uint64_t>& reason);

    const std::shared_ptr<CMediaCallKeys> m_keys;
    const MediaKind m_kind;

    // Sending thread.
    std::unique_ptr<CMediaAead> m_sealer;
    std::uint64_t m_sendCounter = 0;
    std::vector<std::uint8_t> m_sealed;

    // Receive thread.
    std::unique_ptr<CMediaAead> m_opener;
    CMediaReplayWindow m_replay;
    bool m_locked = false;
    std::uint32_t m_lockAddress = 0;
    std::uint16_t m_lockPort = 0;
    std::vector<std::uint8_t> m_opened;

    // The caller reveals its public half until the peer's first datagram
    // that authenticates has come back.
    std::atomic<bool> m_heardPeer{false};

    std::atomic<std::uint64_t> m_passed{0};
    std::atomic<std::uint64_t> m_foreignSource{0};
    std::atomic<std::uint64_t> m_unauthenticated{0};
    std::atomic<std::uint64_t> m_replayed{0};
    std::atomic<std::uint64_t> m_plainRefused{0};
    std::atomic<std::uint64_t> m_malformed{0};
    std::atomic<std::uint64_t> m_notReady{0};
};
