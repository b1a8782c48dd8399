#pragma once

class ISoundLink;

// The audio session the call window drives; null when the program was built
// without one (the call then carries video only).
ISoundLink* CallViewSoundLink();
