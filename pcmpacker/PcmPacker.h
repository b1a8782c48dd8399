#pragma once

#include "IPcmToAACEvent.h"

// 16-bit interleaved PCM in chunks of any size to AAC-LC frames with ADTS
// headers. One handle must be used by one thread at a time; the event is
// called only from inside PcmPackerProcess, on the caller's thread.
extern "C" {

// The encoders PcmPackerInitEncoder offers.
enum {
    // Ours: each frame comes out as soon as its samples are in.
    PCMPACKER_ENCODER_LOW_DELAY = 0,
    // libavcodec's: looks one frame ahead, so each frame comes out one frame
    // (32 ms at 32 kHz) later; short windows on attacks.
    PCMPACKER_ENCODER_LIBAVCODEC = 1
};

// Returns null when the format is refused: channels 1 to 6 or 8, 16 bits per
// sample, a sample rate that AAC has an index for. The event may be null; the
// frames are then encoded and dropped. Uses PCMPACKER_ENCODER_LOW_DELAY.
void* PcmPackerInit(int channels, int sampleRate, int bitsPerSample, IPcmToAACEvent* event);

// PcmPackerInit with a chosen encoder; null also for an unknown encoder.
void* PcmPackerInitEncoder(int channels, int sampleRate, int bitsPerSample, IPcmToAACEvent* event,
                           int encoder);

// Buffers the bytes and encodes every whole frame while more than one frame is
// buffered. Always returns 0; a null handle or pcm, or a length of 0 or less,
// changes nothing.
int PcmPackerProcess(void* handle, unsigned char* pcm, int length);

// A null handle is ignored.
void PcmPackerUninit(void* handle);
}
