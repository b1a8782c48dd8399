#pragma once

#include <QString>

// Certificates for TLS tests, written as PEM files into a folder: an
// authority ("ca") and, signed by it, a server certificate for 127.0.0.1 and
// localhost ("server"), one for another name ("wrongname") and one that has
// expired ("expired"); a second authority ("otherca") with a server
// certificate of its own for 127.0.0.1 ("other"); a self-signed certificate
// for 127.0.0.1 ("selfsigned"). Signed by "ca" for name checks: "*.example.test"
// ("wildcard"), "f*.example.test" ("partialwildcard") and a certificate
// whose only name is its subject's common name ("commonname.example.test").
// Each NAME has NAME.crt and NAME.key.
class KivTestCertificates {
public:
    // False when OpenSSL could not make them.
    bool create(const QString& folder);
    QString certificate(const char* name) const;
    QString key(const char* name) const;
    // The SHA-256 pin of a certificate's public key, in hex.
    QString pin(const char* name) const;

private:
    QString m_folder;
};
