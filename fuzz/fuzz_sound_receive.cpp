// Feeds datagrams to a call's transport the way its UDP kernel does:
// reassembly, then AAC decoding into the bounded playback queue. The input
// is cut into datagrams; each is sent as it is, wrapped as a well-formed
// fragment, or made from a real encoded frame with some bytes changed, the
// latter as a first sending or as a copy of an earlier frame, so random,
// broken, valid and repeated media are mixed.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "AacUnpacker.h"
#include "CAudioTran.h"
#include "CVoicePlayout.h"
#include "MediaFragment.h"
#include "PcmPacker.h"

namespace {

constexpr int kPcmBytes = 10240;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Decodes what the transport completes, as a call's decoder does.
class CDecodeSink : public IRecvEvent {
public:
    CDecodeSink() : m_decoder(AacUnpackerInit()), m_pcm(kPcmBytes + 1, 0x5A) {
        m_playout.Configure(32000, 2, 10000,
                            [this](const std::uint8_t* frame, int length, std::int16_t* pcm,
                                   int capacity) { return Decode(frame, length, pcm, capacity); });
    }
    ~CDecodeSink() { AacUnpackerUnInit(m_decoder); }

    // Each frame arrives 32 ms after the one before and the speaker takes
    // the next 32 ms at once, as the playback does 10 ms at a time.
    void OnRecv(std::uint32_t sequence, const std::uint8_t* frame, int length, bool, std::int64_t,
                bool copy) override {
        Check(length > 0 && length <= MediaFragment::kMaxFrame);
        m_nowUs += 32000;
        m_playout.Put(sequence, frame, length, m_nowUs, copy);
        std::int16_t chunk[2048];
        m_playout.Pull(m_nowUs, chunk, 2048);
    }

private:
    int Decode(const std::uint8_t* frame, int length, std::int16_t* pcm, int capacity) {
        int produced = kPcmBytes;
        if (AacUnpackerProc(m_decoder, reinterpret_cast<char*>(const_cast<std::uint8_t*>(frame)),
                            length, reinterpret_cast<char*>(m_pcm.data()), m_flag, produced) == 0) {
            return 0;
        }
        Check(produced >= 0 && produced <= kPcmBytes);
        Check(m_pcm[kPcmBytes] == 0x5A);
        const int samples = std::min(produced / 2, capacity);
        std::memcpy(pcm, m_pcm.data(), static_cast<std::size_t>(samples) * 2);
        return samples;
    }

    void* m_decoder;
    std::vector<std::uint8_t> m_pcm;
    bool m_flag = false;
    CVoicePlayout m_playout;
    std::int64_t m_nowUs = 0;
};

class CFrames : public IPcmToAACEvent {
public:
    void OnPcmToAAC(unsigned char* frame, int length) override {
        frames.emplace_back(frame, frame + length);
    }
    std::vector<std::vector<std::uint8_t>> frames;
};

const std::vector<std::vector<std::uint8_t>>& RealFrames() {
    static const std::vector<std::vector<std::uint8_t>> frames = [] {
        CFrames sink;
        void* encoder = PcmPackerInit(2, 32000, 16, &sink);
        std::vector<std::int16_t> pcm(2 * 32000 / 4);
        for (size_t i = 0; i < pcm.size(); ++i) {
            pcm[i] =
                static_cast<std::int16_t>(9000.0 * std::sin(static_cast<double>(i / 2) * 0.13));
        }
        PcmPackerProcess(encoder, reinterpret_cast<unsigned char*>(pcm.data()),
                         static_cast<int>(pcm.size() * 2));
        PcmPackerUninit(encoder);
        return sink.frames;
    }();
    return frames;
}

std::vector<std::uint8_t> Wrap(const std::uint8_t* payload, int length, int index, int count,
                               std::uint32_t sequence,
                               std::uint32_t magic = MediaFragment::kMagic) {
    std::vector<std::uint8_t> datagram(static_cast<size_t>(MediaFragment::kHeaderBytes + length));
    MediaFragment header;
    header.magic = magic;
    header.index = static_cast<std::uint16_t>(index);
    header.count = static_cast<std::uint16_t>(count);
    header.sequence = sequence;
    header.flag = 1;
    header.payloadLength = static_cast<std::uint16_t>(length);
    header.WriteTo(datagram.data());
    std::copy(payload, payload + length, datagram.begin() + MediaFragment::kHeaderBytes);
    return datagram;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    RealFrames();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    CDecodeSink sink;
    CAudioTran transport;
    // Opened (on a free port) for its gate: a plain call.
    transport.Open("127.0.0.1", 9, "", 0);
    transport.SetReceiveTarget(&sink);
    const WireSource source;
    std::uint32_t sequence = 0;
    size_t at = 0;
    // Each item: mode byte, 16-bit length, bytes.
    while (at + 3 <= size) {
        const int mode = data[at] % 4;
        size_t length = static_cast<size_t>(data[at + 1] | (data[at + 2] << 8)) % 5000;
        at += 3;
        length = std::min(length, size - at);
        const std::uint8_t* bytes = data + at;
        at += length;
        std::vector<std::uint8_t> datagram;
        if (mode == 0) {
            datagram.assign(bytes, bytes + length);
        } else if (mode == 1 && length > 0) {
            const int payload =
                static_cast<int>(std::min<size_t>(length, MediaFragment::kMaxPayload));
            datagram = Wrap(bytes, payload, 0, 1, sequence++);
        } else if (!RealFrames().empty()) {
            std::vector<std::uint8_t> frame = RealFrames()[length % RealFrames().size()];
            // Every later byte of the item changes one byte of the frame.
            for (size_t i = 0; i + 1 < length; i += 2) {
                frame[bytes[i] % frame.size()] ^= bytes[i + 1];
            }
            if (mode == 3) {
                // A copy of one of the last few frames.
                const std::uint32_t back = length % 4;
                datagram = Wrap(frame.data(), static_cast<int>(frame.size()), 0, 1, sequence - back,
                                MediaFragment::kCopyMagic);
            } else {
                datagram = Wrap(frame.data(), static_cast<int>(frame.size()), 0, 1, sequence++);
            }
        }
        const std::int32_t result =
            transport.OnRecvFrom(source, datagram.data(), static_cast<int>(datagram.size()));
        Check(result == INetEvent2::kOk || result == INetEvent2::kFail);
        Check(datagram.size() >= 17 || result == INetEvent2::kFail);
    }
    return 0;
}
