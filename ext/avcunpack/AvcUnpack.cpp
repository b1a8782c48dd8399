#include "AvcUnpack.h"

#include "CAvcDecoder.h"

void* AvcUnpackInit() {
    return CAvcDecoder::Create().release();
}

int AvcUnpackSetBitCount(void* handle, int bitsPerPixel) {
    if (handle == nullptr || !static_cast<CAvcDecoder*>(handle)->SetBitCount(bitsPerPixel)) {
        return AVCUNPACK_BAD_ARGUMENT;
    }
    return 0;
}

int AvcUnpackProc(void* handle, const std::uint8_t* in, int inLength, std::uint8_t* out, int* width,
                  int* height, int* extra) {
    if (extra != nullptr) {
        *extra = 0;
    }
    if (handle == nullptr || width == nullptr || height == nullptr) {
        return AVCUNPACK_BAD_ARGUMENT;
    }
    return static_cast<CAvcDecoder*>(handle)->Decode(in, inLength, out, *width, *height);
}

void AvcUnpackUnInit(void* handle) {
    // Takes back the ownership handed out by AvcUnpackInit.
    std::unique_ptr<CAvcDecoder> owner(static_cast<CAvcDecoder*>(handle));
}
