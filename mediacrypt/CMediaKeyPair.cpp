#include "CMediaKeyPair.h"

#include <openssl/evp.h>

namespace {

struct ContextDeleter {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_PKEY_CTX, ContextDeleter>;

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;

}  // namespace

void CMediaKeyPair::Deleter::operator()(void* key) const {
    EVP_PKEY_free(static_cast<EVP_PKEY*>(key));
}

CMediaKeyPair::CMediaKeyPair() {
    Context context(EVP_PKEY_CTX_new_id(EVP_PKEY_X25519, nullptr));
    EVP_PKEY* key = nullptr;
    if (!context || EVP_PKEY_keygen_init(context.get()) <= 0 ||
        EVP_PKEY_keygen(context.get(), &key) <= 0) {
        return;
    }
    Key owned(key);
    size_t length = m_public.size();
    if (EVP_PKEY_get_raw_public_key(key, m_public.data(), &length) <= 0 ||
        length != m_public.size()) {
        return;
    }
    m_key.reset(owned.release());
}

CMediaKeyPair::~CMediaKeyPair() = default;

std::vector<std::uint8_t> CMediaKeyPair::SharedWith(const Public& peer) const {
    if (!m_key) {
        return {};
    }
    Key peerKey(EVP_PKEY_new_raw_public_key(EVP_PKEY_X25519, nullptr, peer.data(), peer.size()));
    Context context(EVP_PKEY_CTX_new(static_cast<EVP_PKEY*>(m_key.get()), nullptr));
    size_t length = 0;
    if (!peerKey || !context || EVP_PKEY_derive_init(context.get()) <= 0 ||
        EVP_PKEY_derive_set_peer(context.get(), peerKey.get()) <= 0 ||
        EVP_PKEY_derive(context.get(), nullptr, &length) <= 0) {
        return {};
    }
    std::vector<std::uint8_t> secret(length);
    // OpenSSL refuses an all-zero result (a peer key of small order).
    if (EVP_PKEY_derive(context.get(), secret.data(), &length) <= 0) {
        return {};
    }
    secret.resize(length);
    return secret;
}
