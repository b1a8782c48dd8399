#pragma once

#include "ISoundLink.h"

// The one audio session of the process, constructed when the library is
// loaded. Every call returns the same pointer.
extern "C" ISoundLink* GetSoundLink();
