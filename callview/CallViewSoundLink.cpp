#include "CallViewSound.h"

#include "SoundLink.h"

ISoundLink* CallViewSoundLink() {
    return GetSoundLink();
}

ISoundLinkSetup* CallViewSoundSetup() {
    return GetSoundLinkSetup();
}
