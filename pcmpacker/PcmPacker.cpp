#include "PcmPacker.h"

#include "CPcmPacker.h"

void* PcmPackerInit(int channels, int sampleRate, int bitsPerSample, IPcmToAACEvent* event) {
    return PcmPackerInitEncoder(channels, sampleRate, bitsPerSample, event,
                                PCMPACKER_ENCODER_LOW_DELAY);
}

void* PcmPackerInitEncoder(int channels, int sampleRate, int bitsPerSample, IPcmToAACEvent* event,
                           int encoder) {
    return CPcmPacker::create(channels, sampleRate, bitsPerSample, event, encoder).release();
}

int PcmPackerProcess(void* handle, unsigned char* pcm, int length) {
    if (handle != nullptr) {
        static_cast<CPcmPacker*>(handle)->process(pcm, length);
    }
    return 0;
}

void PcmPackerUninit(void* handle) {
    delete static_cast<CPcmPacker*>(handle);
}
