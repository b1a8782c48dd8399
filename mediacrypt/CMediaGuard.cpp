#include "CMediaGuard.h"

#include <cstring>
#include <utility>

#include "CMediaAead.h"
#include "MediaDatagram.h"

using namespace MediaDatagram;

CMediaGuard::CMediaGuard(std::shared_ptr<CMediaCallKeys> keys, MediaKind kind)
    : m_keys(std::move(keys)),
      m_kind(kind),
      m_sealed(kMaxFragmentBytes + kMaxOverhead),
      m_opened(kMaxFragmentBytes) {}

CMediaGuard::~CMediaGuard() = default;

CMediaCallKeys::State CMediaGuard::State() const {
    return m_keys ? m_keys->GetState() : CMediaCallKeys::State::Plain;
}

bool CMediaGuard::IsEncrypted() const {
    return State() == CMediaCallKeys::State::Encrypted;
}

CMediaGuard::Span CMediaGuard::Seal(const std::uint8_t* fragment, int length) {
    if (fragment == nullptr || length <= kFragmentHeadBytes || length > kMaxFragmentBytes) {
        return {};
    }
    const CMediaCallKeys::State state = State();
    if (state == CMediaCallKeys::State::Plain) {
        return {fragment, length};
    }
    if (state != CMediaCallKeys::State::Encrypted) {
        return {};
    }
    if (!m_sealer) {
        const std::shared_ptr<const CMediaCallKeys::Keys> keys = m_keys->CurrentKeys();
        const CMediaCallKeys::Direction& own = keys->send[int(m_kind)];
        m_sealer = std::make_unique<CMediaAead>(own.key, own.salt, true);
    }
    const bool reveal = m_keys->GetRole() == CMediaCallKeys::Role::Caller && !m_heardPeer.load();
    std::uint8_t* out = m_sealed.data();
    Put32(out, kSealedMagic);
    out[4] = kVersion;
    out[5] = reveal ? kFlagReveal : 0;
    out[6] = 0;
    out[7] = 0;
    const std::uint64_t counter = m_sendCounter++;
    Put64(out + 8, counter);
    int at = kSealedHeadBytes;
    if (reveal) {
        std::memcpy(out + at, m_keys->OwnPublic().data(), kRevealBytes);
        at += kRevealBytes;
    }
    std::memcpy(out + at, fragment, kFragmentHeadBytes);
    at += kFragmentHeadBytes;
    const int payload = length - kFragmentHeadBytes;
    if (!m_sealer->Seal(counter, out, at, fragment + kFragmentHeadBytes, payload, out + at)) {
        return {};
    }
    return {out, at + payload + kTagBytes};
}

CMediaGuard::Span CMediaGuard::Open(std::uint32_t sourceAddress, std::uint16_t sourcePort,
                                    const std::uint8_t* datagram, int length) {
    if (datagram == nullptr || length <= 0) {
        return Drop(m_malformed);
    }
    switch (State()) {
        case CMediaCallKeys::State::Plain:
            return OpenPlain(sourceAddress, sourcePort, datagram, length);
        case CMediaCallKeys::State::AwaitingReveal:
        case CMediaCallKeys::State::Encrypted:
            return OpenSealed(sourceAddress, sourcePort, datagram, length);
        default:
            return Drop(m_notReady);
    }
}

CMediaGuard::Span CMediaGuard::OpenPlain(std::uint32_t sourceAddress, std::uint16_t sourcePort,
                                         const std::uint8_t* datagram, int length) {
    if (length > kMaxFragmentBytes || !IsFragment(datagram, length)) {
        return Drop(m_malformed);
    }
    if (IsLockedElsewhere(sourceAddress, sourcePort)) {
        return Drop(m_foreignSource);
    }
    Lock(sourceAddress, sourcePort);
    ++m_passed;
    return {datagram, length};
}

CMediaGuard::Span CMediaGuard::OpenSealed(std::uint32_t sourceAddress, std::uint16_t sourcePort,
                                          const std::uint8_t* datagram, int length) {
    if (IsLockedElsewhere(sourceAddress, sourcePort)) {
        return Drop(m_foreignSource);
    }
    if (!IsSealed(datagram, length)) {
        return Drop(IsFragment(datagram, length) ? m_plainRefused : m_malformed);
    }
    if (length < kSealedHeadBytes || datagram[4] != kVersion || (datagram[5] & ~kFlagReveal) != 0) {
        return Drop(m_malformed);
    }
    const bool reveal = (datagram[5] & kFlagReveal) != 0;
    const int headAt = kSealedHeadBytes + (reveal ? kRevealBytes : 0);
    const int payloadAt = headAt + kFragmentHeadBytes;
    const int payload = length - payloadAt - kTagBytes;
    if (payload <= 0 || payload > kMaxFragmentBytes - kFragmentHeadBytes ||
        !IsFragmentMagic(Get32(datagram + headAt)) || Get16(datagram + headAt + 14) != payload) {
        return Drop(m_malformed);
    }
    if (State() == CMediaCallKeys::State::AwaitingReveal) {
        if (!reveal) {
            return Drop(m_notReady);
        }
        if (!m_keys->TakeReveal(datagram + kSealedHeadBytes)) {
            return Drop(m_unauthenticated);
        }
    }
    if (!m_opener) {
        const std::shared_ptr<const CMediaCallKeys::Keys> keys = m_keys->CurrentKeys();
        if (!keys) {
            return Drop(m_notReady);
        }
        const CMediaCallKeys::Direction& peer = keys->receive[int(m_kind)];
        m_opener = std::make_unique<CMediaAead>(peer.key, peer.salt, false);
    }
    const std::uint64_t counter = Get64(datagram + 8);
    if (!m_replay.IsFresh(counter)) {
        return Drop(m_replayed);
    }
    std::uint8_t* out = m_opened.data();
    if (!m_opener->Open(counter, datagram, payloadAt, datagram + payloadAt, payload,
                        out + kFragmentHeadBytes)) {
        return Drop(m_unauthenticated);
    }
    std::memcpy(out, datagram + headAt, kFragmentHeadBytes);
    m_replay.Take(counter);
    Lock(sourceAddress, sourcePort);
    m_heardPeer = true;
    ++m_passed;
    return {out, kFragmentHeadBytes + payload};
}

bool CMediaGuard::IsLockedElsewhere(std::uint32_t sourceAddress, std::uint16_t sourcePort) const {
    return m_locked && (sourceAddress != m_lockAddress || sourcePort != m_lockPort);
}

void CMediaGuard::Lock(std::uint32_t sourceAddress, std::uint16_t sourcePort) {
    if (!m_locked) {
        m_locked = true;
        m_lockAddress = sourceAddress;
        m_lockPort = sourcePort;
    }
}

CMediaGuard::Span CMediaGuard::Drop(std::atomic<std::uint64_t>& reason) {
    ++reason;
    return {};
}

CMediaGuard::Counts CMediaGuard::GetCounts() const {
    Counts counts;
    counts.passed = m_passed.load();
    counts.foreignSource = m_foreignSource.load();
    counts.unauthenticated = m_unauthenticated.load();
    counts.replayed = m_replayed.load();
    counts.plainRefused = m_plainRefused.load();
    counts.malformed = m_malformed.load();
    counts.notReady = m_notReady.load();
    return counts;
}

std::string CMediaGuard::DropSummary() const {
    const Counts counts = GetCounts();
    const std::pair<std::uint64_t, const char*> reasons[] = {
        {counts.unauthenticated, "failed authentication"},
        {counts.replayed, "replayed or too old"},
        {counts.foreignSource, "from another address"},
        {counts.plainRefused, "plain in an encrypted call"},
        {counts.malformed, "malformed"},
        {counts.notReady, "before the keys were agreed"},
    };
    std::uint64_t total = 0;
    std::string parts;
    for (const auto& reason : reasons) {
        if (reason.first == 0) {
            continue;
        }
        total += reason.first;
        parts += (parts.empty() ? "" : ", ") + std::to_string(reason.first) + " " + reason.second;
    }
    return total == 0 ? std::string() : std::to_string(total) + " datagrams dropped: " + parts;
}
