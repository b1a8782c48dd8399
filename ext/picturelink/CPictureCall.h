#pragma once

#include <cstdint>
#include <memory>

#include "CPicturePlayer.h"
#include "CPictureTransport.h"

// One call: its UDP leg and the player of what the peer sends.
struct CPictureCall {
    int id = 0;
    std::unique_ptr<CPicturePlayer> player;
    std::unique_ptr<CPictureTransport> transport;
};
