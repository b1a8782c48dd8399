#pragma once

#include <cstdint>

// The server settings of "Config/config.ini", section "base".
struct SStr_Config_File {
    char ipaddr[32] = {};  // dotted IPv4 text, at most 31 characters
    int32_t port = 6800;
    int32_t version = 1;
    // The messaging connection inside TLS: 0 plain, 1 TLS.
    int32_t tls = 0;
    char tlscafile[260] = {};  // PEM file of the authorities to trust; empty: the system's
    char tlspin[128] = {};     // SHA-256 of the server's public key; empty: none
    char tlsname[256] = {};    // name the certificate carries; empty: ipaddr
};
