#pragma once

#include <string>
#include <vector>

// A microphone or speaker of the sound server.
struct SoundLinkDevice {
    std::string name;         // the server's name: what the call's elements and settings take
    std::string description;  // what the user reads
};

// The devices the sound server has now; empty when GStreamer cannot start or
// lists none. Only the server's own devices are listed: the call can name those.
std::vector<SoundLinkDevice> SoundLinkMicrophones();
std::vector<SoundLinkDevice> SoundLinkSpeakers();
