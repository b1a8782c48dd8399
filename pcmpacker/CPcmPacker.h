#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class IAacFrameEncoder;
class IPcmToAACEvent;

// One encoder instance behind a PcmPacker handle. It holds PCM back until
// more than one whole frame is buffered, so at least one frame always stays.
class CPcmPacker {
public:
    // Null when the format or the encoder is refused (see PcmPackerInitEncoder).
    static std::unique_ptr<CPcmPacker> create(int channels, int sampleRate, int bitsPerSample,
                                              IPcmToAACEvent* event, int encoder);
    ~CPcmPacker();
    CPcmPacker(const CPcmPacker&) = delete;
    CPcmPacker& operator=(const CPcmPacker&) = delete;

    void process(const unsigned char* pcm, int length);

private:
    CPcmPacker(std::unique_ptr<IAacFrameEncoder> encoder, IPcmToAACEvent* event);
    bool reserve(std::size_t bytes);
    void deliver(unsigned char* frame, int length);

    std::unique_ptr<IAacFrameEncoder> encoder_;
    IPcmToAACEvent* event_;
    int frameBytes_;
    // The vector's size is the capacity; it starts at one frame and doubles.
    std::vector<unsigned char> input_;
    int buffered_ = 0;
};
