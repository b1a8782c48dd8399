#include "SoundLink.h"

#include "CSoundLink.h"

namespace {

// The one session, constructed when the library is loaded.
CSoundLink g_session;

}  // namespace

ISoundLink* GetSoundLink() {
    return &g_session;
}

ISoundLinkSetup* GetSoundLinkSetup() {
    return &g_session;
}
