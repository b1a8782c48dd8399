#pragma once

#include <gst/gst.h>

#include <string>

// The sound server's name of a device ("internal-name"), empty for a device
// that has none.
std::string SoundLinkDeviceName(GstDevice* device);
