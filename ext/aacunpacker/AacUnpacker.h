#pragma once

// AAC decoder of the audio session: one ADTS frame in, 16-bit interleaved PCM
// out at the stream's rate and channel count. A handle is used by one thread
// at a time.

// A new decoder, or null when none can be made.
void* AacUnpackerInit();

// From now on PCM comes out at `sampleRate` with `channels` channels (the
// call's negotiated format, which the playback is built for), whatever the
// stream carries: a mono or 48 kHz peer is resampled, not played at the
// wrong speed. Returns 0, or -1 for a null handle or a format out of range.
int AacUnpackerSetFormat(void* handle, int sampleRate, int channels);

// Decodes one frame. On entry outLength is the capacity of out; on return the
// PCM bytes written. Returns non-zero when PCM was produced. Input of any
// content is safe; a frame whose PCM would not fit in out is dropped whole
// (0, outLength 0). flag is the caller-kept state of the stream: it turns true
// once the stream has produced sound.
int AacUnpackerProc(void* handle, char* in, int inLength, char* out, bool& flag, int& outLength);

// Frees a decoder made by AacUnpackerInit; null is allowed. Returns 0.
int AacUnpackerUnInit(void* handle);
