#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// An ephemeral X25519 key pair, made fresh for every call.
class CMediaKeyPair {
public:
    using Public = std::array<std::uint8_t, 32>;

    CMediaKeyPair();
    ~CMediaKeyPair();
    CMediaKeyPair(const CMediaKeyPair&) = delete;
    CMediaKeyPair& operator=(const CMediaKeyPair&) = delete;

    // False when the system gave no key (then nothing is sealed).
    bool IsValid() const { return m_key != nullptr; }
    const Public& PublicHalf() const { return m_public; }
    // The shared secret with the peer's public half; empty for a public half
    // that yields none (a point of small order).
    std::vector<std::uint8_t> SharedWith(const Public& peer) const;

private:
    struct Deleter {
        void operator()(void* key) const;
    };
    std::unique_ptr<void, Deleter> m_key;
    Public m_public{};
};
