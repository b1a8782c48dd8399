#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CMediaKeyPair.h"
#include "MediaKeyTail.h"

enum class MediaKind { Audio = 0, Video = 1 };

// The keys of one call, agreed between the two call windows so that neither
// the server nor the path learns them. The caller commits first: its request
// carries only the hash of its public half, the callee's answer its public
// half, and the caller reveals its own in its first datagrams, which the
// callee checks against the hash before it sends anything. A server in the
// middle therefore has to choose its keys before it sees the caller's, and
// cannot steer the short code both people compare.
//
// The call window's thread makes it and hands on the record tails; the
// transports' threads read the keys and give the callee the revealed half.
class CMediaCallKeys {
public:
    enum class Role { Caller, Callee };
    enum class State {
        // The caller before the answer: nothing is sent or taken.
        Pending,
        // The callee before the caller's public half came: nothing is sent.
        AwaitingReveal,
        Encrypted,
        // The peer (or a server on the way) sent no key: a plain call.
        Plain,
        // Key material that yields no keys: nothing is sent or taken.
        Failed,
    };
    struct Direction {
        std::array<std::uint8_t, 32> key{};
        std::array<std::uint8_t, 4> salt{};
    };
    struct Keys {
        Direction send[2];
        Direction receive[2];
    };

    static std::shared_ptr<CMediaCallKeys> ForCaller(std::uint32_t callerUid,
                                                     std::uint32_t calleeUid);
    // From the tail of the caller's request: waits for the reveal, or a plain
    // call when the request carries no commitment.
    static std::shared_ptr<CMediaCallKeys> ForCallee(std::uint32_t callerUid,
                                                     std::uint32_t calleeUid,
                                                     const MediaKeyTail::Value& request);

    Role GetRole() const { return m_role; }
    State GetState() const { return m_state.load(); }
    // What the own record carries: the commitment (caller) or the public
    // half (callee); kind None for a plain call.
    MediaKeyTail::Value OwnTail() const;
    const CMediaKeyPair::Public& OwnPublic() const { return m_pair.PublicHalf(); }

    // The caller takes the answer's tail once: encrypted, plain, or failed.
    void TakeAnswer(const MediaKeyTail::Value& answer);
    // The callee takes a revealed public half; true when it is the committed
    // one (the keys are then known).
    bool TakeReveal(const std::uint8_t* publicHalf);

    // Null until the call is encrypted.
    std::shared_ptr<const Keys> CurrentKeys() const;
    // Six digits both call windows show ("123 456"); empty until encrypted.
    std::string ShortCode() const;

private:
    CMediaKeyPair::Public Commitment() const;
    void Derive(const CMediaKeyPair::Public& callerPublic,
                const CMediaKeyPair::Public& calleePublic, const std::vector<std::uint8_t>& secret);

    CMediaCallKeys(Role role, std::uint32_t callerUid, std::uint32_t calleeUid);

    const Role m_role;
    const std::uint32_t m_callerUid;
    const std::uint32_t m_calleeUid;
    CMediaKeyPair m_pair;
    std::atomic<State> m_state{State::Pending};

    mutable std::mutex m_lock;
    // The callee's copy of the caller's commitment, then its public half.
    CMediaKeyPair::Public m_commitment{};
    CMediaKeyPair::Public m_callerPublic{};
    std::shared_ptr<const Keys> m_keys;
    std::string m_shortCode;
};
