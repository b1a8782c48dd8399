#include "AacUnpacker.h"

#include "CAacDecoder.h"

void* AacUnpackerInit() {
    return CAacDecoder::Create().release();
}

int AacUnpackerProc(void* handle, char* in, int inLength, char* out, bool& flag, int& outLength) {
    const int capacity = outLength;
    outLength = 0;
    if (handle == nullptr) {
        return 0;
    }
    const int produced = static_cast<CAacDecoder*>(handle)->Decode(
        reinterpret_cast<const std::uint8_t*>(in), inLength, reinterpret_cast<std::uint8_t*>(out),
        capacity);
    if (produced <= 0) {
        return 0;
    }
    flag = true;
    outLength = produced;
    return 1;
}

int AacUnpackerSetFormat(void* handle, int sampleRate, int channels) {
    if (handle == nullptr) {
        return -1;
    }
    return static_cast<CAacDecoder*>(handle)->SetOutputFormat(sampleRate, channels) ? 0 : -1;
}

int AacUnpackerUnInit(void* handle) {
    delete static_cast<CAacDecoder*>(handle);
    return 0;
}
