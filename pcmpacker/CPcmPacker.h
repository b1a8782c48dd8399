#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class CAacEncoder;
class IPcmToAACEvent;

// One encoder instance behind a PcmPacker handle. It holds PCM back until
// more than one whole frame is buffered, so at least one frame always stays.
class CPcmPacker {
public:
    // Null when the format is refused (see PcmPackerInit).
    static std::unique_ptr<CPcmPacker> create(int channels, int sampleRate, int bitsPerSample,
                                              IPcmToAACEvent* event);
    ~CPcmPacker();
    CPcmPacker(const CPcmPacker&) = delete;
    CPcmPacker& operator=(const CPcmPacker&) = delete;

    void process(const unsigned char* pcm, int length);

private:
    CPcmPacker(std::unique_ptr<CAacEncoder> encoder, IPcmToAACEvent* event);
    bool reserve(std::size_t bytes);
    void deliver(unsigned char* frame, int length);

    std::unique_ptr<CAacEncoder> encoder_;
    IPcmToAACEvent* event_;
    int frameBytes_;
    // The vector's size is the capacity; it starts at one frame and doubles.
    std::vector<unsigned char> input_;
    int buffered_ = 0;
};
