// Encodes a minute of 32 kHz stereo tones through PcmPacker, the way the
// capture thread feeds it (4096-byte chunks), and compares its speed with the
// ffmpeg command-line encoder on the same sound. Then compares PcmPacker's two
// encoders on speech-like and music-like sound at the same rate: segmental
// SNR, Bark-band distortion, pre-echo before attacks and CPU time per frame.
// Prints the figures.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <vector>

#include "CAacTestDecoder.h"
#include "CAlignedSnr.h"
#include "CCodecQuality.h"
#include "CTestSignals.h"
#include "CTestTone.h"
#include "PcmPacker.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr int kSampleRate = 32000;
constexpr int kChannels = 2;
constexpr int kSeconds = 60;
constexpr int kChunkBytes = 4096;
constexpr int kBitRate = 96000;

class FrameCollector : public IPcmToAACEvent {
public:
    void OnPcmToAAC(unsigned char* frame, int length) override {
        frames.emplace_back(frame, frame + length);
        bytes += length;
    }
    std::vector<std::vector<unsigned char>> frames;
    long long bytes = 0;
};

double snrOf(const std::vector<float>& original, const CAacTestDecoder& decoder) {
    return CAlignedSnr::measure(original, decoder.samples(), kChannels, 4096, 2048).snrDb;
}

// Decodes an ADTS stream frame by frame, using each header's length field.
double snrOfAdtsFile(const std::vector<float>& original, const QByteArray& stream) {
    CAacTestDecoder decoder;
    const auto* data = reinterpret_cast<const unsigned char*>(stream.constData());
    int offset = 0;
    while (offset + 7 <= stream.size()) {
        const int length =
            ((data[offset + 3] & 3) << 11) | (data[offset + 4] << 3) | (data[offset + 5] >> 5);
        if (length < 7 || offset + length > stream.size() ||
            !decoder.decode(data + offset, length)) {
            break;
        }
        offset += length;
    }
    return snrOf(original, decoder);
}

// Runs the ffmpeg encoder on the PCM file; returns the wall time in seconds,
// or a negative value when it failed.
double runFfmpeg(const QString& ffmpeg, const QString& input, const QString& output,
                 const QStringList& coderOptions) {
    QStringList arguments = {"-hide_banner", "-loglevel",
                             "error",        "-y",
                             "-f",           "s16le",
                             "-ar",          QString::number(kSampleRate),
                             "-ac",          QString::number(kChannels),
                             "-i",           input,
                             "-c:a",         "aac",
                             "-b:a",         QString::number(kBitRate)};
    arguments << coderOptions << "-f"
              << "adts" << output;
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(ffmpeg, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", process.readAllStandardError().constData());
        return -1.0;
    }
    return timer.nsecsElapsed() / 1e9;
}

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Both encoders on the same sound; lower pre-echo and distortion are better.
void compareEncoders(const char* name, const CTestSignals::Sound& sound) {
    const auto original = CTestTone::toFloat(sound.samples);
    auto* bytes = reinterpret_cast<unsigned char*>(const_cast<int16_t*>(sound.samples.data()));
    const int totalBytes = static_cast<int>(sound.samples.size() * sizeof(int16_t));
    const struct {
        const char* name;
        int id;
    } encoders[] = {{"low delay", PCMPACKER_ENCODER_LOW_DELAY},
                    {"libavcodec", PCMPACKER_ENCODER_LIBAVCODEC}};
    for (const auto& encoder : encoders) {
        FrameCollector collector;
        void* packer = PcmPackerInitEncoder(kChannels, kSampleRate, 16, &collector, encoder.id);
        if (packer == nullptr) {
            std::printf("%s, %s: refused\n", name, encoder.name);
            continue;
        }
        const double start = threadCpuSeconds();
        for (int offset = 0; offset < totalBytes; offset += kChunkBytes) {
            PcmPackerProcess(packer, bytes + offset, std::min(kChunkBytes, totalBytes - offset));
        }
        const double cpu = threadCpuSeconds() - start;
        PcmPackerUninit(packer);

        CAacTestDecoder decoder;
        long long payload = 0;
        for (const auto& frame : collector.frames) {
            decoder.decode(frame.data(), static_cast<int>(frame.size()));
            payload += static_cast<long long>(frame.size()) - 7;
        }
        const int delay =
            CAlignedSnr::measure(original, decoder.samples(), kChannels, 4096, 2048).delayFrames;
        const CCodecQuality quality(original, decoder.samples(), kChannels, kSampleRate, delay);
        const double seconds = static_cast<double>(sound.samples.size()) / kChannels / kSampleRate;
        std::printf(
            "%s, %s: %.1f kbit/s, segmental SNR %.1f dB, Bark distortion %.2f dB, "
            "pre-echo %.1f dB, %.0f us CPU per frame\n",
            name, encoder.name, payload * 8.0 / seconds / 1000.0, quality.segmentalSnrDb(),
            quality.barkDistortionDb(), quality.preEchoDb(sound.onsets),
            cpu * 1e6 / std::max<std::size_t>(collector.frames.size(), 1));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);

    const auto pcm = CTestTone::make(kSampleRate, kChannels, kSampleRate * kSeconds,
                                     {440.0, 1000.0, 2500.0}, 0.6);
    const auto original = CTestTone::toFloat(pcm);
    auto* bytes = reinterpret_cast<unsigned char*>(const_cast<int16_t*>(pcm.data()));
    const int totalBytes = static_cast<int>(pcm.size() * sizeof(int16_t));

    FrameCollector collector;
    QElapsedTimer timer;
    timer.start();
    void* packer = PcmPackerInit(kChannels, kSampleRate, 16, &collector);
    if (packer == nullptr) {
        std::fprintf(stderr, "PcmPackerInit refused 32000 Hz stereo\n");
        return 1;
    }
    for (int offset = 0; offset < totalBytes; offset += kChunkBytes) {
        PcmPackerProcess(packer, bytes + offset, std::min(kChunkBytes, totalBytes - offset));
    }
    PcmPackerUninit(packer);
    const double packerSeconds = timer.nsecsElapsed() / 1e9;
    const double packerFactor = kSeconds / packerSeconds;

    CAacTestDecoder decoder;
    for (const auto& frame : collector.frames) {
        decoder.decode(frame.data(), static_cast<int>(frame.size()));
    }
    std::printf("PcmPacker: %.0fx real time (%.3f s for %d s, %zu frames, %.1f kbit/s)\n",
                packerFactor, packerSeconds, kSeconds, collector.frames.size(),
                collector.bytes * 8.0 / kSeconds / 1000.0);
    std::printf("PcmPacker: tones SNR %.1f dB\n", snrOf(original, decoder));

    constexpr int kCompareSeconds = 20;
    compareEncoders("speech",
                    CTestSignals::speech(kSampleRate, kChannels, kSampleRate * kCompareSeconds));
    compareEncoders("music",
                    CTestSignals::music(kSampleRate, kChannels, kSampleRate * kCompareSeconds));

    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    QTemporaryDir dir;
    if (ffmpeg.isEmpty() || !dir.isValid()) {
        std::printf("ffmpeg command line: not installed, skipped\n");
        return 0;
    }
    const QString input = dir.filePath("tones.pcm");
    const QString output = dir.filePath("tones.aac");
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes), totalBytes) != totalBytes) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(input));
        return 1;
    }
    file.close();

    const struct {
        const char* name;
        QStringList options;
    } runs[] = {{"same settings (fast coder, no TNS)", {"-aac_coder", "fast", "-aac_tns", "0"}},
                {"default settings (two-loop coder)", {}}};
    for (const auto& run : runs) {
        const double seconds = runFfmpeg(ffmpeg, input, output, run.options);
        if (seconds < 0) {
            return 1;
        }
        QFile encoded(output);
        if (!encoded.open(QIODevice::ReadOnly)) {
            return 1;
        }
        const double factor = kSeconds / seconds;
        std::printf(
            "ffmpeg command line, %s: %.0fx real time, tones SNR %.1f dB; "
            "PcmPacker is %.2fx its speed\n",
            run.name, factor, snrOfAdtsFile(original, encoded.readAll()), packerFactor / factor);
    }
    return 0;
}
