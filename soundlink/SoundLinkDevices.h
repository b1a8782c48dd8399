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

// Keeps PipeWire's own GStreamer device provider out of this process's
// device monitors (once; call before making one). On PipeWire desktops its
// provider frees a proxy twice when a monitor stops (PipeWire 0.3.65), and it
// adds nothing: the sound server's devices come through PulseAudio (PipeWire's
// Pulse server there), and cameras through video4linux.
void SoundLinkPrepareDeviceMonitors();
