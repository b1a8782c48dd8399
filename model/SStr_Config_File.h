#pragma once

#include <cstdint>

// The server settings of "Config/config.ini", section "base".
struct SStr_Config_File {
    char ipaddr[32] = {};  // dotted IPv4 text, at most 31 characters
    int32_t port = 6800;
    int32_t version = 1;
};
