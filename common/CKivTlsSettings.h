#pragma once

#include <string>

// Whether the messaging connection runs inside TLS, and what the server must
// show for it: the certificate authorities (empty: the system's), an
// optional SHA-256 pin of its public key and the name its certificate carries.
struct CKivTlsSettings {
    bool enabled = false;
    std::string caFile;
    std::string pin;
    std::string hostName;
};
