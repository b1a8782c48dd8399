#include "CallViewSound.h"

ISoundLink* CallViewSoundLink() {
    return nullptr;
}

ISoundLinkSetup* CallViewSoundSetup() {
    return nullptr;
}
