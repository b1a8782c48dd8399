#pragma once

#include <memory>

#include "CAudioDecode.h"
#include "CAudioTran.h"

// One call: the transport to the peer and the decoder of what it sends.
struct SoundLinkCall {
    std::unique_ptr<CAudioTran> transport;
    std::unique_ptr<CAudioDecode> decoder;
    int callId = 0;
};
