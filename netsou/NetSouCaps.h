#pragma once

#include <gst/gst.h>

#include "NetSourceFormat.h"

// Fixed caps for a format: BGR / BGRx pictures, H.264 byte-stream units or
// interleaved little-endian PCM. Null when the format has no caps.
GstCaps* NetSouCapsFor(const NetSourceFormat& format);

// Everything the element may offer, for its pad template.
GstCaps* NetSouTemplateCaps();
