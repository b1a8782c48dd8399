#include <QtTest>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "CAacTestDecoder.h"
#include "CAlignedSnr.h"
#include "CLowDelayAacEncoder.h"
#include "CTestSignals.h"
#include "CTestTone.h"
#include "KivTestRegistry.h"
#include "PcmPacker.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

using Frame = std::vector<unsigned char>;

class FrameCollector : public IPcmToAACEvent {
public:
    void OnPcmToAAC(unsigned char* frame, int length) override {
        frames.emplace_back(frame, frame + length);
    }
    std::vector<Frame> frames;
};

struct PackerDeleter {
    void operator()(void* handle) const { PcmPackerUninit(handle); }
};
using PackerPtr = std::unique_ptr<void, PackerDeleter>;

bool feed(void* handle, const std::vector<int16_t>& samples, int bytes, int chunk);

// Without an encoder: PcmPackerInit's choice.
PackerPtr openPacker(int channels, int sampleRate, IPcmToAACEvent* event, int encoder = -1) {
    return PackerPtr(encoder < 0 ? PcmPackerInit(channels, sampleRate, 16, event)
                                 : PcmPackerInitEncoder(channels, sampleRate, 16, event, encoder));
}

constexpr int kEncoders[] = {PCMPACKER_ENCODER_LOW_DELAY, PCMPACKER_ENCODER_LIBAVCODEC};

// Frames an encoder holds back: libavcodec's looks one frame ahead.
int heldBack(int encoder) {
    return encoder == PCMPACKER_ENCODER_LIBAVCODEC ? 1 : 0;
}

const char* encoderName(int encoder) {
    return encoder == PCMPACKER_ENCODER_LIBAVCODEC ? "libavcodec" : "low delay";
}

std::vector<Frame> encode(int channels, int sampleRate, const std::vector<int16_t>& samples,
                          int encoder) {
    FrameCollector collector;
    PackerPtr packer = openPacker(channels, sampleRate, &collector, encoder);
    if (packer) {
        const int bytes = static_cast<int>(samples.size() * sizeof(int16_t));
        feed(packer.get(), samples, bytes, 4096);
    }
    return collector.frames;
}

// Bytes of one encoder frame: 1024 16-bit samples per channel.
int frameBytes(int channels) {
    return 2048 * channels;
}

std::vector<int16_t> tone(int sampleRate, int channels, int bytes) {
    const int sampleFrames = (bytes + 2 * channels - 1) / (2 * channels);
    return CTestTone::make(sampleRate, channels, sampleFrames, {1000.0}, 0.5);
}

// Feeds the first `bytes` bytes in chunks of `chunk` bytes (0: all at once);
// false when a call did not return 0.
bool feed(void* handle, const std::vector<int16_t>& samples, int bytes, int chunk) {
    auto* data = reinterpret_cast<unsigned char*>(const_cast<int16_t*>(samples.data()));
    const int step = chunk > 0 ? chunk : bytes;
    bool allZero = true;
    for (int offset = 0; offset < bytes; offset += step) {
        allZero =
            PcmPackerProcess(handle, data + offset, std::min(step, bytes - offset)) == 0 && allZero;
    }
    return allZero;
}

struct Adts {
    int syncWord = 0;
    int id = -1;
    int layer = -1;
    int protectionAbsent = -1;
    int profile = -1;
    int samplingIndex = -1;
    int channelConfig = -1;
    int frameLength = -1;
    int rawBlocks = -1;
};

Adts parseAdts(const Frame& frame) {
    Adts adts;
    if (frame.size() < 7) {
        return adts;
    }
    adts.syncWord = (frame[0] << 4) | (frame[1] >> 4);
    adts.id = (frame[1] >> 3) & 1;
    adts.layer = (frame[1] >> 1) & 3;
    adts.protectionAbsent = frame[1] & 1;
    adts.profile = frame[2] >> 6;
    adts.samplingIndex = (frame[2] >> 2) & 0xF;
    adts.channelConfig = ((frame[2] & 1) << 2) | (frame[3] >> 6);
    adts.frameLength = ((frame[3] & 3) << 11) | (frame[4] << 3) | (frame[5] >> 5);
    adts.rawBlocks = frame[6] & 3;
    return adts;
}

}  // namespace

class TestPcmPacker : public QObject {
    Q_OBJECT

private slots:
    // The encoder's closing statistics would drown the test output.
    void initTestCase() { av_log_set_level(AV_LOG_ERROR); }

    // A frame is encoded only while more than one frame is buffered:
    // consumed frames = ceil(bytes / 4096) - 1; libavcodec's encoder then
    // keeps the last of them back.
    void buffersMoreThanOneFrame_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("consumed");
        QTest::newRow("one frame at once") << 4096 << 0 << 0;
        QTest::newRow("one frame byte by byte") << 4096 << 1 << 0;
        QTest::newRow("two frames") << 8192 << 0 << 1;
        QTest::newRow("two frames and a byte") << 8193 << 0 << 2;
        QTest::newRow("three frames at once") << 12288 << 0 << 2;
        QTest::newRow("three frames byte by byte") << 12288 << 1 << 2;
        QTest::newRow("three frames and a byte in 1000s") << 12289 << 1000 << 3;
        QTest::newRow("ten frames at once grow the buffer") << 40960 << 0 << 9;
        QTest::newRow("ten frames byte by byte") << 40960 << 1 << 9;
        QTest::newRow("ten frames in 3000s") << 40960 << 3000 << 9;
    }
    void buffersMoreThanOneFrame() {
        QFETCH(int, bytes);
        QFETCH(int, chunk);
        QFETCH(int, consumed);
        for (int encoder : kEncoders) {
            FrameCollector collector;
            PackerPtr packer = openPacker(2, 32000, &collector, encoder);
            QVERIFY(packer);
            QVERIFY(feed(packer.get(), tone(32000, 2, bytes), bytes, chunk));
            QCOMPARE(static_cast<int>(collector.frames.size()),
                     std::max(0, consumed - heldBack(encoder)));
        }
    }

    // An impulse in frame 4 needs that frame and the next (the buffering rule)
    // to leave ours, and one more to leave libavcodec's.
    void impulseComesOutAFrameEarlier() {
        constexpr int kImpulseFrame = 3;
        constexpr int kImpulseAt = kImpulseFrame * 1024 + 100;
        std::vector<int16_t> samples(12 * 1024 * 2, 0);
        samples[kImpulseAt * 2] = samples[kImpulseAt * 2 + 1] = 30000;
        int framesIn[2] = {0, 0};
        for (int encoder : kEncoders) {
            FrameCollector collector;
            PackerPtr packer = openPacker(2, 32000, &collector, encoder);
            QVERIFY(packer);
            CAacTestDecoder decoder;
            std::size_t decodedFrames = 0;
            for (int n = 1; n <= 12 && framesIn[encoder] == 0; ++n) {
                QVERIFY(feed(packer.get(),
                             std::vector<int16_t>(samples.begin() + (n - 1) * 2048,
                                                  samples.begin() + n * 2048),
                             4096, 0));
                for (; decodedFrames < collector.frames.size(); ++decodedFrames) {
                    const Frame& frame = collector.frames[decodedFrames];
                    QVERIFY(decoder.decode(frame.data(), static_cast<int>(frame.size())));
                }
                // Both decode with the same 1024 samples of delay.
                const std::size_t at = static_cast<std::size_t>(kImpulseAt + 1024) * 2;
                if (decoder.samples().size() > at && std::fabs(decoder.samples()[at]) > 0.3f) {
                    framesIn[encoder] = n;
                }
            }
        }
        qInfo("impulse in frame %d out after %d frames (low delay), %d (libavcodec)",
              kImpulseFrame + 1, framesIn[0], framesIn[1]);
        QCOMPARE(framesIn[PCMPACKER_ENCODER_LOW_DELAY], kImpulseFrame + 3);
        QCOMPARE(framesIn[PCMPACKER_ENCODER_LIBAVCODEC], kImpulseFrame + 4);
    }

    // A burst of noise out of silence: with temporal noise shaping the noise
    // before the burst falls, and libavcodec decodes every frame. The last
    // 4 ms before it are left out: the burst masks them, and the filter's
    // coarse envelope cannot part them from it.
    void temporalNoiseShapingLowersPreEcho() {
        constexpr int kOnset = 5 * 1024 + 100;
        constexpr int kBefore = 640;
        constexpr int kMasked = 128;
        std::mt19937 random(5);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        std::vector<int16_t> samples(10 * 1024 * 2, 0);
        for (int i = kOnset; i < kOnset + 480; ++i) {
            const auto value =
                static_cast<int16_t>(9000.0 * unit(random) * std::exp(-5.0 * (i - kOnset) / 480.0));
            samples[static_cast<std::size_t>(i) * 2] = value;
            samples[static_cast<std::size_t>(i) * 2 + 1] = static_cast<int16_t>(value / 2);
        }
        double echo[2] = {};
        for (bool shaping : {false, true}) {
            auto encoder = CLowDelayAacEncoder::open(2, 32000);
            QVERIFY(encoder);
            encoder->setTemporalNoiseShaping(shaping);
            CAacTestDecoder decoder;
            bool decoded = true;
            for (std::size_t at = 0; at < samples.size(); at += 2048) {
                encoder->encode(reinterpret_cast<const unsigned char*>(samples.data() + at),
                                [&](unsigned char* frame, int length) {
                                    decoded = decoder.decode(frame, length) && decoded;
                                });
            }
            QVERIFY(decoded);
            const auto& out = decoder.samples();
            QVERIFY(out.size() >= static_cast<std::size_t>(kOnset + 1024) * 2);
            for (int i = kOnset - kBefore; i < kOnset - kMasked; ++i) {
                for (int c = 0; c < 2; ++c) {
                    const double error = out[static_cast<std::size_t>(i + 1024) * 2 + c] -
                                         samples[static_cast<std::size_t>(i) * 2 + c] / 32768.0;
                    echo[shaping ? 1 : 0] += error * error;
                }
            }
        }
        qInfo("noise before the burst: %.1f dB without, %.1f dB with TNS", 10 * std::log10(echo[0]),
              10 * std::log10(echo[1]));
        QVERIFY(echo[1] < echo[0] / 4);
    }

    void chunkSizeDoesNotChangeTheFrames() {
        const int bytes = 20 * frameBytes(2) + 123;
        const auto samples = tone(32000, 2, bytes);
        std::vector<std::vector<Frame>> results;
        for (int chunk : {0, 1, 1000, 5000}) {
            FrameCollector collector;
            PackerPtr packer = openPacker(2, 32000, &collector);
            QVERIFY(packer);
            QVERIFY(feed(packer.get(), samples, bytes, chunk));
            results.push_back(collector.frames);
        }
        QCOMPARE(results[0].size(), std::size_t{20});
        for (std::size_t i = 1; i < results.size(); ++i) {
            QVERIFY2(results[i] == results[0], qPrintable(QString("chunking %1").arg(i)));
        }
    }

    void everyFrameHasAnAdtsHeader_data() {
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("samplingIndex");
        QTest::addColumn<int>("channelConfig");
        QTest::newRow("8000 mono") << 8000 << 1 << 11 << 1;
        QTest::newRow("16000 mono") << 16000 << 1 << 8 << 1;
        QTest::newRow("22050 stereo") << 22050 << 2 << 7 << 2;
        QTest::newRow("32000 stereo") << 32000 << 2 << 5 << 2;
        QTest::newRow("44100 stereo") << 44100 << 2 << 4 << 2;
        QTest::newRow("48000 stereo") << 48000 << 2 << 3 << 2;
        QTest::newRow("48000 5.1") << 48000 << 6 << 3 << 6;
        QTest::newRow("48000 7.1") << 48000 << 8 << 3 << 7;
    }
    void everyFrameHasAnAdtsHeader() {
        QFETCH(int, sampleRate);
        QFETCH(int, channels);
        QFETCH(int, samplingIndex);
        QFETCH(int, channelConfig);
        for (int encoder : kEncoders) {
            checkAdtsFrames(sampleRate, channels, samplingIndex, channelConfig, encoder);
        }
    }
    void checkAdtsFrames(int sampleRate, int channels, int samplingIndex, int channelConfig,
                         int encoder) {
        FrameCollector collector;
        PackerPtr packer = openPacker(channels, sampleRate, &collector, encoder);
        QVERIFY(packer);
        const int bytes = 10 * frameBytes(channels);
        QVERIFY(feed(packer.get(), tone(sampleRate, channels, bytes), bytes, 0));
        QCOMPARE(static_cast<int>(collector.frames.size()), 9 - heldBack(encoder));

        CAacTestDecoder decoder;
        for (const Frame& frame : collector.frames) {
            const Adts adts = parseAdts(frame);
            QCOMPARE(adts.syncWord, 0xFFF);
            QCOMPARE(adts.id, 0);
            QCOMPARE(adts.layer, 0);
            QCOMPARE(adts.protectionAbsent, 1);
            QCOMPARE(adts.profile, 1);
            QCOMPARE(adts.samplingIndex, samplingIndex);
            QCOMPARE(adts.channelConfig, channelConfig);
            QCOMPARE(adts.frameLength, static_cast<int>(frame.size()));
            QCOMPARE(adts.rawBlocks, 0);
            QVERIFY(static_cast<int>(frame.size()) <= 768 * channels + 7);
            QVERIFY(decoder.decode(frame.data(), static_cast<int>(frame.size())));
        }
        QCOMPARE(decoder.channels(), channels);
        QCOMPARE(decoder.sampleRate(), sampleRate);
    }

    void decodesToTheSameTone_data() {
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channels");
        QTest::newRow("32000 stereo") << 32000 << 2;
        QTest::newRow("44100 stereo") << 44100 << 2;
        QTest::newRow("48000 mono") << 48000 << 1;
        QTest::newRow("16000 mono") << 16000 << 1;
    }
    void decodesToTheSameTone() {
        QFETCH(int, sampleRate);
        QFETCH(int, channels);
        const auto samples = CTestTone::make(sampleRate, channels, 2 * sampleRate, {1000.0}, 0.5);
        for (int encoder : kEncoders) {
            CAacTestDecoder decoder;
            for (const Frame& frame : encode(channels, sampleRate, samples, encoder)) {
                QVERIFY(decoder.decode(frame.data(), static_cast<int>(frame.size())));
            }
            QCOMPARE(decoder.channels(), channels);
            const auto result = CAlignedSnr::measure(CTestTone::toFloat(samples), decoder.samples(),
                                                     channels, 4096, 2048);
            qInfo("1 kHz tone, %d Hz, %d channel(s), %s: SNR %.1f dB after a delay of %d samples",
                  sampleRate, channels, encoderName(encoder), result.snrDb, result.delayFrames);
            // Exactly the encoder's priming frame: no sample was lost or sent twice.
            QCOMPARE(result.delayFrames, 1024);
            QVERIFY2(result.snrDb > 25.0, qPrintable(QString::number(result.snrDb)));
        }
    }

    // Sounds with attacks out of silence, loud bands next to silent ones and
    // full-scale noise: every frame decodes, stays within AAC's frame limit
    // and the rate holds on average without bits left unspent (pauses save
    // them for the sound after; only AAC's frame limit holds back 7.1 at
    // 7350 Hz); the sound comes back recognisably.
    void encodesDemandingSounds_data() {
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("kind");
        // White noise over the whole band gets little per line at this rate.
        QTest::addColumn<double>("leastSnr");
        QTest::addColumn<double>("leastShare");
        QTest::newRow("speech 32000 stereo") << 32000 << 2 << 0 << 20.0 << 0.9;
        QTest::newRow("music 32000 stereo") << 32000 << 2 << 1 << 12.0 << 0.9;
        QTest::newRow("speech 8000 mono") << 8000 << 1 << 0 << 20.0 << 0.9;
        QTest::newRow("music 44100 stereo") << 44100 << 2 << 1 << 10.0 << 0.9;
        QTest::newRow("music 96000 5.1") << 96000 << 6 << 1 << 8.0 << 0.9;
        QTest::newRow("noise 32000 stereo") << 32000 << 2 << 2 << 3.0 << 0.9;
        QTest::newRow("noise 7350 7.1") << 7350 << 8 << 2 << 3.0 << 0.6;
    }
    void encodesDemandingSounds() {
        QFETCH(int, sampleRate);
        QFETCH(int, channels);
        QFETCH(int, kind);
        QFETCH(double, leastSnr);
        QFETCH(double, leastShare);
        const int sampleFrames = 3 * sampleRate;
        std::vector<int16_t> samples;
        if (kind == 2) {
            // Full-scale noise in bursts: the largest values AAC can carry.
            std::mt19937 random(3);
            samples.resize(static_cast<std::size_t>(sampleFrames * channels));
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const bool on = (i / static_cast<std::size_t>(channels * 5000)) % 2 == 0;
                samples[i] = on ? static_cast<int16_t>(random()) : 0;
            }
        } else {
            samples = kind == 0 ? CTestSignals::speech(sampleRate, channels, sampleFrames).samples
                                : CTestSignals::music(sampleRate, channels, sampleFrames).samples;
        }
        const auto frames = encode(channels, sampleRate, samples, PCMPACKER_ENCODER_LOW_DELAY);
        QCOMPARE(static_cast<int>(frames.size()), (sampleFrames + 1023) / 1024 - 1);
        CAacTestDecoder decoder;
        long long bytes = 0;
        for (const Frame& frame : frames) {
            QVERIFY(static_cast<int>(frame.size()) <= 768 * channels + 7);
            // A call's stereo frame fits one datagram on a 1500-byte path.
            QVERIFY(channels > 2 || static_cast<int>(frame.size()) <= 1392);
            QVERIFY(decoder.decode(frame.data(), static_cast<int>(frame.size())));
            // The rate is that of the AAC data; ADTS headers come on top.
            bytes += static_cast<long long>(frame.size()) - 7;
        }
        const double bitRate = bytes * 8.0 * sampleRate / (1024.0 * frames.size());
        const double allowed = std::min(48000.0, 768 * 8 * sampleRate / 1024.0) * channels;
        const auto result = CAlignedSnr::measure(CTestTone::toFloat(samples), decoder.samples(),
                                                 channels, 4096, 2048);
        qInfo("%.1f kbit/s of %.1f, SNR %.1f dB", bitRate / 1000, allowed / 1000, result.snrDb);
        QVERIFY(bitRate <= allowed * 1.01);
        QVERIFY(bitRate >= allowed * leastShare);
        QCOMPARE(result.delayFrames, 1024);
        QVERIFY2(result.snrDb > leastSnr, qPrintable(QString::number(result.snrDb)));
    }

    void refusesUnsupportedFormats_data() {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("bitsPerSample");
        QTest::newRow("no channels") << 0 << 32000 << 16;
        QTest::newRow("negative channels") << -2 << 32000 << 16;
        QTest::newRow("seven channels") << 7 << 32000 << 16;
        QTest::newRow("nine channels") << 9 << 32000 << 16;
        QTest::newRow("8-bit samples") << 2 << 32000 << 8;
        QTest::newRow("24-bit samples") << 2 << 32000 << 24;
        QTest::newRow("no bits") << 2 << 32000 << 0;
        QTest::newRow("rate 0") << 2 << 0 << 16;
        QTest::newRow("negative rate") << 2 << -32000 << 16;
        QTest::newRow("rate without an AAC index") << 2 << 12345 << 16;
        QTest::newRow("rate above AAC") << 2 << 192000 << 16;
    }
    void refusesUnsupportedFormats() {
        QFETCH(int, channels);
        QFETCH(int, sampleRate);
        QFETCH(int, bitsPerSample);
        FrameCollector collector;
        QVERIFY(PcmPackerInit(channels, sampleRate, bitsPerSample, &collector) == nullptr);
        for (int encoder : kEncoders) {
            QVERIFY(PcmPackerInitEncoder(channels, sampleRate, bitsPerSample, &collector,
                                         encoder) == nullptr);
        }
    }

    void refusesUnknownEncoders() {
        FrameCollector collector;
        QVERIFY(PcmPackerInitEncoder(2, 32000, 16, &collector, 2) == nullptr);
        QVERIFY(PcmPackerInitEncoder(2, 32000, 16, &collector, -1) == nullptr);
    }

    void encodesWithoutAnEvent() {
        PackerPtr packer = openPacker(2, 32000, nullptr);
        QVERIFY(packer);
        const int bytes = 10 * frameBytes(2);
        QVERIFY(feed(packer.get(), tone(32000, 2, bytes), bytes, 0));
    }

    // After two frames, a call that must change nothing, then one more frame:
    // exactly two frames are out only when the call added or lost no bytes.
    void ignoresBadChunks_data() {
        QTest::addColumn<bool>("nullData");
        QTest::addColumn<int>("length");
        QTest::newRow("null data") << true << 4096;
        QTest::newRow("zero length") << false << 0;
        QTest::newRow("negative length") << false << -4096;
        QTest::newRow("most negative length") << false << INT_MIN;
    }
    void ignoresBadChunks() {
        QFETCH(bool, nullData);
        QFETCH(int, length);
        FrameCollector collector;
        PackerPtr packer = openPacker(2, 32000, &collector);
        QVERIFY(packer);
        const auto samples = tone(32000, 2, 3 * frameBytes(2));
        QVERIFY(feed(packer.get(), samples, 2 * frameBytes(2), 0));
        std::vector<unsigned char> chunk(4096, 0x55);
        QCOMPARE(PcmPackerProcess(packer.get(), nullData ? nullptr : chunk.data(), length), 0);
        const auto* rest =
            reinterpret_cast<const unsigned char*>(samples.data()) + 2 * frameBytes(2);
        QCOMPARE(PcmPackerProcess(packer.get(), const_cast<unsigned char*>(rest), frameBytes(2)),
                 0);
        QCOMPARE(static_cast<int>(collector.frames.size()), 2);
    }

    void toleratesMissingHandle() {
        unsigned char bytes[16] = {};
        QCOMPARE(PcmPackerProcess(nullptr, bytes, sizeof bytes), 0);
        PcmPackerUninit(nullptr);
    }
};

KIV_TEST_CLASS(TestPcmPacker)
#include "tst_PcmPacker.moc"
