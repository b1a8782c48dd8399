#pragma once

#include "ISoundLink.h"
#include "ISoundLinkSetup.h"

// The one audio session of the process, constructed when the library is
// loaded. Every call returns the same pointer.
extern "C" ISoundLink* GetSoundLink();

// The same session's choices of the user.
extern "C" ISoundLinkSetup* GetSoundLinkSetup();
