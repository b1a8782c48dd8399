#pragma once

#include "IUDPWireCore2.h"

// A new, stopped kernel owned by the caller (delete it, or hold it in a
// std::unique_ptr); null when none can be made.
extern "C" IUDPWireCore2* A_CreateUDPWireCore2();
