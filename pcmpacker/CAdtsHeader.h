#pragma once

// The 7-byte ADTS header (MPEG-4, AAC-LC, no CRC) put in front of every frame.
class CAdtsHeader {
public:
    static constexpr int kSize = 7;
    // The frame-length field has 13 bits and counts the header too.
    static constexpr int kMaxFrameLength = (1 << 13) - 1;

    // -1 when ADTS has no index for the rate.
    static int samplingIndex(int sampleRate);
    // -1 when ADTS has no configuration for the channel count.
    static int channelConfig(int channels);
    // frameLength counts header and payload.
    static void write(unsigned char* out, int samplingIndex, int channelConfig, int frameLength);
};
