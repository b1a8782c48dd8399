#pragma once

class ISoundLink;
class ISoundLinkSetup;

// The audio session the call window drives; null when the program was built
// without one (the call then carries video only).
ISoundLink* CallViewSoundLink();
// The same session's choices of the user; null without a session.
ISoundLinkSetup* CallViewSoundSetup();
