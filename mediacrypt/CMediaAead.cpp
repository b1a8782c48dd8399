#include "CMediaAead.h"

#include <openssl/evp.h>

#include "MediaDatagram.h"

namespace {

constexpr int kNonceBytes = 12;

}  // namespace

void CMediaAead::Deleter::operator()(void* context) const {
    EVP_CIPHER_CTX_free(static_cast<EVP_CIPHER_CTX*>(context));
}

CMediaAead::CMediaAead(const std::array<std::uint8_t, 32>& key,
                       const std::array<std::uint8_t, 4>& salt, bool sealing)
    : m_salt(salt) {
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    if (context == nullptr) {
        return;
    }
    m_context.reset(context);
    // The key is set once; each datagram only sets its nonce.
    const int ready =
        sealing ? EVP_EncryptInit_ex(context, EVP_aes_256_gcm(), nullptr, key.data(), nullptr)
                : EVP_DecryptInit_ex(context, EVP_aes_256_gcm(), nullptr, key.data(), nullptr);
    if (ready != 1) {
        m_context.reset();
    }
}

CMediaAead::~CMediaAead() = default;

void CMediaAead::Nonce(std::uint64_t counter, std::uint8_t* nonce) const {
    for (size_t i = 0; i < m_salt.size(); ++i) {
        nonce[i] = m_salt[i];
    }
    MediaDatagram::Put64(nonce + m_salt.size(), counter);
}

bool CMediaAead::Seal(std::uint64_t counter, const std::uint8_t* aad, int aadLength,
                      const std::uint8_t* plain, int length, std::uint8_t* out) {
    auto* context = static_cast<EVP_CIPHER_CTX*>(m_context.get());
    std::uint8_t nonce[kNonceBytes];
    Nonce(counter, nonce);
    int written = 0;
    int last = 0;
    return context != nullptr &&
           EVP_EncryptInit_ex(context, nullptr, nullptr, nullptr, nonce) == 1 &&
           EVP_EncryptUpdate(context, nullptr, &written, aad, aadLength) == 1 &&
           EVP_EncryptUpdate(context, out, &written, plain, length) == 1 &&
           EVP_EncryptFinal_ex(context, out + written, &last) == 1 &&
           EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_GET_TAG, kTagBytes, out + length) == 1;
}

bool CMediaAead::Open(std::uint64_t counter, const std::uint8_t* aad, int aadLength,
                      const std::uint8_t* sealed, int length, std::uint8_t* out) {
    auto* context = static_cast<EVP_CIPHER_CTX*>(m_context.get());
    std::uint8_t nonce[kNonceBytes];
    Nonce(counter, nonce);
    std::uint8_t tag[kTagBytes];
    for (int i = 0; i < kTagBytes; ++i) {
        tag[i] = sealed[length + i];
    }
    int written = 0;
    int last = 0;
    return context != nullptr && length >= 0 &&
           EVP_DecryptInit_ex(context, nullptr, nullptr, nullptr, nonce) == 1 &&
           EVP_DecryptUpdate(context, nullptr, &written, aad, aadLength) == 1 &&
           EVP_DecryptUpdate(context, out, &written, sealed, length) == 1 &&
           EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG, kTagBytes, tag) == 1 &&
           EVP_DecryptFinal_ex(context, out + written, &last) == 1;
}
