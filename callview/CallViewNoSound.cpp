#include "CallViewSound.h"

ISoundLink* CallViewSoundLink() {
    return nullptr;
}
