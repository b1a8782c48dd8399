#include "KivSha256.h"

#include <openssl/evp.h>

struct KivSha256::Context {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> digest{EVP_MD_CTX_new(),
                                                                   &EVP_MD_CTX_free};
};

KivSha256::KivSha256() : m_context(std::make_unique<Context>()) {
    Reset();
}

KivSha256::~KivSha256() = default;

void KivSha256::Reset() {
    EVP_DigestInit_ex(m_context->digest.get(), EVP_sha256(), nullptr);
}

void KivSha256::Add(const char* data, qint64 size) {
    if (size > 0)
        EVP_DigestUpdate(m_context->digest.get(), data, size_t(size));
}

QByteArray KivSha256::HexResult() {
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context->digest.get(), hash, &length);
    Reset();
    return QByteArray(reinterpret_cast<const char*>(hash), int(length)).toHex();
}
