#include "KivTestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <QDir>
#include <QFile>
#include <memory>

#include "KivTls.h"

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Cert = std::unique_ptr<X509, decltype(&X509_free)>;

Key NewKey() {
    return Key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

// A certificate for `key` named `name`, valid from `fromDays` to `toDays`
// (from now), signed by the issuer (itself when null).
Cert Make(EVP_PKEY* key, const char* name, const char* altNames, bool authority, X509* issuer,
          EVP_PKEY* issuerKey, long fromDays, long toDays) {
    static long serial = 1;
    Cert cert(X509_new(), &X509_free);
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), fromDays * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), toDays * 86400);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* subject = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(name), -1, -1, 0);
    X509* signer = issuer != nullptr ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
    AddExtension(cert.get(), signer, NID_basic_constraints,
                 authority ? "critical,CA:TRUE" : "critical,CA:FALSE");
    AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    if (altNames != nullptr) {
        AddExtension(cert.get(), signer, NID_subject_alt_name, altNames);
    }
    X509_sign(cert.get(), issuerKey != nullptr ? issuerKey : key, EVP_sha256());
    return cert;
}

bool Write(const QString& folder, const char* name, X509* cert, EVP_PKEY* key) {
    const QByteArray base = QDir(folder).filePath(QString::fromLatin1(name)).toLocal8Bit();
    FILE* certFile = std::fopen((base + ".crt").constData(), "w");
    FILE* keyFile = std::fopen((base + ".key").constData(), "w");
    bool ok = certFile != nullptr && keyFile != nullptr && PEM_write_X509(certFile, cert) == 1 &&
              PEM_write_PrivateKey(keyFile, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    if (certFile != nullptr) {
        ok = std::fclose(certFile) == 0 && ok;
    }
    if (keyFile != nullptr) {
        ok = std::fclose(keyFile) == 0 && ok;
    }
    return ok;
}

}  // namespace

bool KivTestCertificates::create(const QString& folder) {
    m_folder = folder;
    const char* here = "IP:127.0.0.1,DNS:localhost";
    Key caKey = NewKey();
    Key otherCaKey = NewKey();
    Cert ca = Make(caKey.get(), "Kiv Test CA", nullptr, true, nullptr, nullptr, -1, 30);
    Cert otherCa = Make(otherCaKey.get(), "Other Test CA", nullptr, true, nullptr, nullptr, -1, 30);
    struct Leaf {
        const char* name;
        const char* altNames;
        X509* issuer;
        EVP_PKEY* issuerKey;
        long from;
        long to;
    };
    const Leaf leaves[] = {
        {"server", here, ca.get(), caKey.get(), -1, 30},
        {"wrongname", "DNS:elsewhere.example", ca.get(), caKey.get(), -1, 30},
        {"expired", here, ca.get(), caKey.get(), -30, -1},
        {"other", here, otherCa.get(), otherCaKey.get(), -1, 30},
        {"selfsigned", here, nullptr, nullptr, -1, 30},
        {"wildcard", "DNS:*.example.test", ca.get(), caKey.get(), -1, 30},
        {"partialwildcard", "DNS:f*.example.test", ca.get(), caKey.get(), -1, 30},
        {"commonname.example.test", nullptr, ca.get(), caKey.get(), -1, 30},
    };
    bool ok = ca && otherCa && Write(folder, "ca", ca.get(), caKey.get()) &&
              Write(folder, "otherca", otherCa.get(), otherCaKey.get());
    for (const Leaf& leaf : leaves) {
        Key key = NewKey();
        Cert cert = Make(key.get(), leaf.name, leaf.altNames, false, leaf.issuer, leaf.issuerKey,
                         leaf.from, leaf.to);
        ok = ok && key && cert && Write(folder, leaf.name, cert.get(), key.get());
    }
    return ok;
}

QString KivTestCertificates::certificate(const char* name) const {
    return QDir(m_folder).filePath(QString::fromLatin1(name) + QStringLiteral(".crt"));
}

QString KivTestCertificates::key(const char* name) const {
    return QDir(m_folder).filePath(QString::fromLatin1(name) + QStringLiteral(".key"));
}

QString KivTestCertificates::pin(const char* name) const {
    FILE* file = std::fopen(certificate(name).toLocal8Bit().constData(), "r");
    if (file == nullptr) {
        return QString();
    }
    Cert cert(PEM_read_X509(file, nullptr, nullptr, nullptr), &X509_free);
    std::fclose(file);
    unsigned char* der = nullptr;
    const int size = cert ? i2d_X509(cert.get(), &der) : 0;
    if (size <= 0) {
        return QString();
    }
    const std::string pin =
        KivTlsPublicKeyPin(std::string(reinterpret_cast<const char*>(der), std::size_t(size)));
    OPENSSL_free(der);
    return QString::fromStdString(pin);
}
