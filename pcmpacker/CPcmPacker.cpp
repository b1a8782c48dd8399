#include "CPcmPacker.h"

#include <cstring>
#include <limits>
#include <new>

#include "CAacEncoder.h"
#include "CLowDelayAacEncoder.h"
#include "IPcmToAACEvent.h"
#include "PcmPacker.h"

std::unique_ptr<CPcmPacker> CPcmPacker::create(int channels, int sampleRate, int bitsPerSample,
                                               IPcmToAACEvent* event, int encoder) {
    // The input is read as 16-bit samples; any other width would be encoded as noise.
    if (bitsPerSample != 16) {
        return nullptr;
    }
    std::unique_ptr<IAacFrameEncoder> frameEncoder;
    if (encoder == PCMPACKER_ENCODER_LOW_DELAY) {
        frameEncoder = CLowDelayAacEncoder::open(channels, sampleRate);
    } else if (encoder == PCMPACKER_ENCODER_LIBAVCODEC) {
        frameEncoder = CAacEncoder::open(channels, sampleRate);
    }
    if (!frameEncoder) {
        return nullptr;
    }
    return std::unique_ptr<CPcmPacker>(new CPcmPacker(std::move(frameEncoder), event));
}

CPcmPacker::CPcmPacker(std::unique_ptr<IAacFrameEncoder> encoder, IPcmToAACEvent* event)
    : encoder_(std::move(encoder)),
      event_(event),
      frameBytes_(static_cast<int>(encoder_->inputSamples() * 2)),
      input_(static_cast<std::size_t>(frameBytes_)) {}

CPcmPacker::~CPcmPacker() = default;

void CPcmPacker::process(const unsigned char* pcm, int length) {
    if (pcm == nullptr || length <= 0 || length > std::numeric_limits<int>::max() - buffered_) {
        return;
    }
    if (!reserve(static_cast<std::size_t>(buffered_) + static_cast<std::size_t>(length))) {
        return;
    }
    std::memcpy(input_.data() + buffered_, pcm, static_cast<std::size_t>(length));
    buffered_ += length;

    int consumed = 0;
    while (buffered_ - consumed > frameBytes_) {
        // A refused frame stays buffered and is offered again with the next chunk.
        if (!encoder_->encode(input_.data() + consumed,
                              [this](unsigned char* frame, int size) { deliver(frame, size); })) {
            break;
        }
        consumed += frameBytes_;
    }
    if (consumed > 0) {
        buffered_ -= consumed;
        std::memmove(input_.data(), input_.data() + consumed, static_cast<std::size_t>(buffered_));
    }
}

bool CPcmPacker::reserve(std::size_t bytes) {
    std::size_t capacity = input_.size();
    if (bytes <= capacity) {
        return true;
    }
    while (capacity < bytes) {
        capacity *= 2;
    }
    try {
        input_.resize(capacity);
    } catch (const std::bad_alloc&) {
        // The chunk is dropped; the buffered bytes are still intact.
        return false;
    }
    return true;
}

void CPcmPacker::deliver(unsigned char* frame, int length) {
    if (event_ != nullptr) {
        event_->OnPcmToAAC(frame, length);
    }
}
