#include "NetSouCaps.h"

#include <gst/audio/audio.h>
#include <gst/video/video.h>

#include <numeric>

namespace {

constexpr std::int64_t kUnitsPerSecond = 10000000;

void SetFramerate(GstCaps* caps, std::int64_t frameDuration) {
    if (frameDuration <= 0) {
        gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, 0, 1, nullptr);
        return;
    }
    const std::int64_t common = std::gcd(kUnitsPerSecond, frameDuration);
    gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION,
                        static_cast<int>(kUnitsPerSecond / common),
                        static_cast<int>(frameDuration / common), nullptr);
}

GstCaps* RawVideoCaps(const NetSourceFormat& format) {
    const GstVideoFormat pixels = format.bitsPerPixel == 32   ? GST_VIDEO_FORMAT_BGRx
                                  : format.bitsPerPixel == 24 ? GST_VIDEO_FORMAT_BGR
                                                              : GST_VIDEO_FORMAT_UNKNOWN;
    if (pixels == GST_VIDEO_FORMAT_UNKNOWN) {
        return nullptr;
    }
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                                        gst_video_format_to_string(pixels), "width", G_TYPE_INT,
                                        format.width, "height", G_TYPE_INT, format.height, nullptr);
    SetFramerate(caps, format.frameDuration);
    return caps;
}

GstCaps* CompressedVideoCaps(const NetSourceFormat& format) {
    GstCaps* caps = gst_caps_new_simple(
        "video/x-h264", "stream-format", G_TYPE_STRING, "byte-stream", "alignment", G_TYPE_STRING,
        "au", "width", G_TYPE_INT, format.width, "height", G_TYPE_INT, format.height, nullptr);
    SetFramerate(caps, format.frameDuration);
    return caps;
}

GstCaps* AudioCaps(const NetSourceFormat& format) {
    const GstAudioFormat samples = gst_audio_format_build_integer(
        format.bitsPerSample != 8, G_LITTLE_ENDIAN, format.bitsPerSample, format.bitsPerSample);
    if (samples == GST_AUDIO_FORMAT_UNKNOWN) {
        return nullptr;
    }
    GstAudioInfo info;
    gst_audio_info_init(&info);
    gst_audio_info_set_format(&info, samples, format.sampleRate, format.channels, nullptr);
    return gst_audio_info_to_caps(&info);
}

}  // namespace

GstCaps* NetSouCapsFor(const NetSourceFormat& format) {
    switch (format.kind) {
        case NetSourceFormat::Kind::RawVideo:
            return RawVideoCaps(format);
        case NetSourceFormat::Kind::CompressedVideo:
            return CompressedVideoCaps(format);
        case NetSourceFormat::Kind::Audio:
            return AudioCaps(format);
    }
    return nullptr;
}

GstCaps* NetSouTemplateCaps() {
    return gst_caps_from_string(
        "video/x-raw, format = (string) { BGR, BGRx }, width = (int) [ 1, 4096 ], "
        "height = (int) [ 1, 4096 ], framerate = (fraction) [ 0/1, MAX ]; "
        "video/x-h264, stream-format = (string) byte-stream, alignment = (string) au, "
        "width = (int) [ 1, 4096 ], height = (int) [ 1, 4096 ], "
        "framerate = (fraction) [ 0/1, MAX ]; "
        "audio/x-raw, format = (string) { U8, S16LE, S24LE, S32LE }, "
        "layout = (string) interleaved, rate = (int) [ 1, 192000 ], channels = (int) [ 1, 8 ]");
}
