#pragma once

#include <cstdint>

// H.264 decoder for the network source: one Annex B access unit in, at most
// one packed RGB picture out. The picture has the size the caller asks for
// (the decoded picture is scaled to it), rows bottom-up without padding,
// bytes in B, G, R (and one unused byte for 32 bits) order.
//
// A handle is used by one thread at a time.

extern "C" {

// Results of AvcUnpackProc.
enum AvcUnpackResult {
    AVCUNPACK_FRAME = 1,          // a picture was written to out
    AVCUNPACK_NO_FRAME = 0,       // accepted; the decoder had no picture yet, out untouched
    AVCUNPACK_BAD_ARGUMENT = -1,  // null pointer, empty input or a size out of range
    AVCUNPACK_BAD_STREAM = -2,    // the decoder refused the unit; it stays usable
    AVCUNPACK_BAD_PICTURE = -3,   // the decoded picture cannot be converted
};

// Largest picture side accepted, for the stream and for the output.
inline constexpr int kAvcUnpackMaxSide = 4096;

// A new decoder producing 24-bit pictures, or null when none can be made.
void* AvcUnpackInit();

// Chooses 24 or 32 bits per output pixel; anything else is refused with
// AVCUNPACK_BAD_ARGUMENT and leaves the setting as it was.
int AvcUnpackSetBitCount(void* handle, int bitsPerPixel);

// Decodes one access unit. *width and *height give the picture size wanted
// and are left as they are; out must hold width * height * bits / 8 bytes and
// is written only when AVCUNPACK_FRAME is returned. extra may be null; it is
// set to 0.
int AvcUnpackProc(void* handle, const std::uint8_t* in, int inLength, std::uint8_t* out, int* width,
                  int* height, int* extra);

// Frees a decoder made by AvcUnpackInit; null is allowed.
void AvcUnpackUnInit(void* handle);
}
