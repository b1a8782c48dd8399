#pragma once

#include <cstdint>
#include <string>

// Dotted IPv4 text ("127.0.0.1") as a number in host byte order; false for
// anything else (host names, missing or out-of-range parts).
bool SoundLinkParseIPv4(const std::string& text, std::uint32_t* ipv4);

// Wide text the caller passed; characters outside ASCII become '?', so they
// never make a valid address.
std::string SoundLinkNarrow(const std::wstring& text);

// Where registrations go: Config/config.ini in the working directory,
// [media] ipaddr and port; the address defaults to the messaging server's
// ([base] ipaddr), the port to 6800.
struct SoundLinkMediaServer {
    std::uint32_t ipv4 = 0;
    std::uint16_t port = 6800;
    bool valid = false;

    static SoundLinkMediaServer FromConfig();
};
