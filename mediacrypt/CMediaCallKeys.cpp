#include "CMediaCallKeys.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/sha.h>

#include <cstdio>
#include <cstring>

#include "MediaDatagram.h"

namespace {

constexpr char kInfoLabel[] = "kiv call media v1";
constexpr int kDirectionBytes = 32 + 4;
// Audio and video, each way, then the short code's four bytes.
constexpr int kDerivedBytes = 4 * kDirectionBytes + 4;

struct ContextDeleter {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};

bool Hkdf(const std::vector<std::uint8_t>& secret, const std::vector<std::uint8_t>& info,
          std::uint8_t* out, size_t length) {
    std::unique_ptr<EVP_PKEY_CTX, ContextDeleter> context(
        EVP_PKEY_CTX_new_id(EVP_PKEY_HKDF, nullptr));
    return context && EVP_PKEY_derive_init(context.get()) > 0 &&
           EVP_PKEY_CTX_set_hkdf_md(context.get(), EVP_sha256()) > 0 &&
           EVP_PKEY_CTX_set1_hkdf_key(context.get(), secret.data(), int(secret.size())) > 0 &&
           EVP_PKEY_CTX_add1_hkdf_info(context.get(), info.data(), int(info.size())) > 0 &&
           EVP_PKEY_derive(context.get(), out, &length) > 0;
}

CMediaCallKeys::Direction DirectionAt(const std::uint8_t* derived, int index) {
    CMediaCallKeys::Direction direction;
    const std::uint8_t* at = derived + index * kDirectionBytes;
    std::memcpy(direction.key.data(), at, direction.key.size());
    std::memcpy(direction.salt.data(), at + direction.key.size(), direction.salt.size());
    return direction;
}

}  // namespace

CMediaCallKeys::CMediaCallKeys(Role role, std::uint32_t callerUid, std::uint32_t calleeUid)
    : m_role(role), m_callerUid(callerUid), m_calleeUid(calleeUid) {}

std::shared_ptr<CMediaCallKeys> CMediaCallKeys::ForCaller(std::uint32_t callerUid,
                                                          std::uint32_t calleeUid) {
    std::shared_ptr<CMediaCallKeys> keys(new CMediaCallKeys(Role::Caller, callerUid, calleeUid));
    if (!keys->m_pair.IsValid()) {
        keys->m_state = State::Plain;
    }
    return keys;
}

std::shared_ptr<CMediaCallKeys> CMediaCallKeys::ForCallee(std::uint32_t callerUid,
                                                          std::uint32_t calleeUid,
                                                          const MediaKeyTail::Value& request) {
    std::shared_ptr<CMediaCallKeys> keys(new CMediaCallKeys(Role::Callee, callerUid, calleeUid));
    if (request.kind == MediaKeyTail::Kind::Commit && keys->m_pair.IsValid()) {
        keys->m_commitment = request.bytes;
        keys->m_state = State::AwaitingReveal;
    } else {
        keys->m_state = State::Plain;
    }
    return keys;
}

CMediaKeyPair::Public CMediaCallKeys::Commitment() const {
    CMediaKeyPair::Public hash{};
    SHA256(m_pair.PublicHalf().data(), m_pair.PublicHalf().size(), hash.data());
    return hash;
}

MediaKeyTail::Value CMediaCallKeys::OwnTail() const {
    MediaKeyTail::Value tail;
    const State state = m_state.load();
    if (state == State::Plain || state == State::Failed) {
        return tail;
    }
    if (m_role == Role::Caller) {
        tail.kind = MediaKeyTail::Kind::Commit;
        tail.bytes = Commitment();
    } else {
        tail.kind = MediaKeyTail::Kind::Public;
        tail.bytes = m_pair.PublicHalf();
    }
    return tail;
}

void CMediaCallKeys::TakeAnswer(const MediaKeyTail::Value& answer) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_role != Role::Caller || m_state.load() != State::Pending) {
        return;
    }
    if (answer.kind == MediaKeyTail::Kind::None) {
        m_state = State::Plain;
        return;
    }
    const std::vector<std::uint8_t> secret = answer.kind == MediaKeyTail::Kind::Public
                                                 ? m_pair.SharedWith(answer.bytes)
                                                 : std::vector<std::uint8_t>();
    if (secret.empty()) {
        m_state = State::Failed;
        return;
    }
    Derive(m_pair.PublicHalf(), answer.bytes, secret);
}

bool CMediaCallKeys::TakeReveal(const std::uint8_t* publicHalf) {
    if (m_role != Role::Callee || publicHalf == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    const State state = m_state.load();
    if (state == State::Encrypted) {
        return CRYPTO_memcmp(publicHalf, m_callerPublic.data(), m_callerPublic.size()) == 0;
    }
    if (state != State::AwaitingReveal) {
        return false;
    }
    CMediaKeyPair::Public hash{};
    SHA256(publicHalf, hash.size(), hash.data());
    if (CRYPTO_memcmp(hash.data(), m_commitment.data(), hash.size()) != 0) {
        return false;
    }
    std::memcpy(m_callerPublic.data(), publicHalf, m_callerPublic.size());
    const std::vector<std::uint8_t> secret = m_pair.SharedWith(m_callerPublic);
    if (secret.empty()) {
        m_state = State::Failed;
        return false;
    }
    Derive(m_callerPublic, m_pair.PublicHalf(), secret);
    return m_state.load() == State::Encrypted;
}

void CMediaCallKeys::Derive(const CMediaKeyPair::Public& callerPublic,
                            const CMediaKeyPair::Public& calleePublic,
                            const std::vector<std::uint8_t>& secret) {
    // Both uids and both public halves bind the keys to this call and these people.
    std::vector<std::uint8_t> info(kInfoLabel, kInfoLabel + sizeof(kInfoLabel) - 1);
    std::uint8_t uids[8];
    MediaDatagram::Put32(uids, m_callerUid);
    MediaDatagram::Put32(uids + 4, m_calleeUid);
    info.insert(info.end(), uids, uids + sizeof(uids));
    info.insert(info.end(), callerPublic.begin(), callerPublic.end());
    info.insert(info.end(), calleePublic.begin(), calleePublic.end());
    std::uint8_t derived[kDerivedBytes];
    if (!Hkdf(secret, info, derived, sizeof(derived))) {
        m_state = State::Failed;
        return;
    }
    // 0 audio caller to callee, 1 audio back, 2 video caller to callee, 3 video back.
    auto keys = std::make_shared<Keys>();
    const bool caller = m_role == Role::Caller;
    for (int kind = 0; kind < 2; ++kind) {
        const Direction forth = DirectionAt(derived, 2 * kind);
        const Direction back = DirectionAt(derived, 2 * kind + 1);
        keys->send[kind] = caller ? forth : back;
        keys->receive[kind] = caller ? back : forth;
    }
    const std::uint32_t code = MediaDatagram::Get32(derived + 4 * kDirectionBytes) % 1000000u;
    char text[8];
    std::snprintf(text, sizeof(text), "%03u %03u", code / 1000u, code % 1000u);
    OPENSSL_cleanse(derived, sizeof(derived));
    m_keys = std::move(keys);
    m_shortCode = text;
    m_state = State::Encrypted;
}

std::shared_ptr<const CMediaCallKeys::Keys> CMediaCallKeys::CurrentKeys() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_keys;
}

std::string CMediaCallKeys::ShortCode() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_shortCode;
}
