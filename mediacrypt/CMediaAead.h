#pragma once

#include <array>
#include <cstdint>
#include <memory>

// AES-256-GCM with one key, for one thread: seals or opens one datagram at a
// time with a 12-byte nonce made of the key's 4-byte salt and a counter.
class CMediaAead {
public:
    static constexpr int kTagBytes = 16;

    CMediaAead(const std::array<std::uint8_t, 32>& key, const std::array<std::uint8_t, 4>& salt,
               bool sealing);
    ~CMediaAead();
    CMediaAead(const CMediaAead&) = delete;
    CMediaAead& operator=(const CMediaAead&) = delete;

    bool IsValid() const { return m_context != nullptr; }
    // Encrypts `length` bytes of `plain` into `out` and writes the tag after
    // them; `aad` is authenticated only. False on any failure.
    bool Seal(std::uint64_t counter, const std::uint8_t* aad, int aadLength,
              const std::uint8_t* plain, int length, std::uint8_t* out);
    // Decrypts `length` bytes followed by the tag; false when the tag does
    // not match (nothing in `out` may then be used).
    bool Open(std::uint64_t counter, const std::uint8_t* aad, int aadLength,
              const std::uint8_t* sealed, int length, std::uint8_t* out);

private:
    void Nonce(std::uint64_t counter, std::uint8_t* nonce) const;

    struct Deleter {
        void operator()(void* context) const;
    };
    std::unique_ptr<void, Deleter> m_context;
    std::array<std::uint8_t, 4> m_salt;
};
