#include "PcmPacker.h"

#include "CPcmPacker.h"

void* PcmPackerInit(int channels, int sampleRate, int bitsPerSample, IPcmToAACEvent* event) {
    return CPcmPacker::create(channels, sampleRate, bitsPerSample, event).release();
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
