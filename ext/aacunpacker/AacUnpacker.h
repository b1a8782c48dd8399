#pragma once

// AAC decoder of the audio session: one ADTS frame in, 16-bit interleaved PCM
// out at the stream's rate and channel count. A handle is used by one thread
// at a time.

// A new decoder, or null when none can be made.
void* AacUnpackerInit();

// Decodes one frame. On entry outLength is the capacity of out; on return the
// PCM bytes written. Returns non-zero when PCM was produced. Input of any
// content is safe; a frame whose PCM would not fit in out is dropped whole
// (0, outLength 0). flag is the caller-kept state of the stream: it turns true
// once the stream has produced sound.
int AacUnpackerProc(void* handle, char* in, int inLength, char* out, bool& flag, int& outLength);

// Frees a decoder made by AacUnpackerInit; null is allowed. Returns 0.
int AacUnpackerUnInit(void* handle);
