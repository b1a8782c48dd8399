#include <QtTest>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "CAacTestDecoder.h"
#include "CAlignedSnr.h"
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

PackerPtr openPacker(int channels, int sampleRate, IPcmToAACEvent* event) {
    return PackerPtr(PcmPackerInit(channels, sampleRate, 16, event));
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

    // A frame is encoded only while more than one frame is buffered, and the
    // encoder keeps its first frame back: consumed frames = ceil(bytes / 4096) - 1,
    // frames delivered = consumed - 1.
    void buffersMoreThanOneFrame_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("frames");
        QTest::newRow("one frame at once") << 4096 << 0 << 0;
        QTest::newRow("one frame byte by byte") << 4096 << 1 << 0;
        QTest::newRow("two frames: the priming frame is taken") << 8192 << 0 << 0;
        QTest::newRow("two frames and a byte") << 8193 << 0 << 1;
        QTest::newRow("three frames at once") << 12288 << 0 << 1;
        QTest::newRow("three frames byte by byte") << 12288 << 1 << 1;
        QTest::newRow("three frames and a byte in 1000s") << 12289 << 1000 << 2;
        QTest::newRow("ten frames at once grow the buffer") << 40960 << 0 << 8;
        QTest::newRow("ten frames byte by byte") << 40960 << 1 << 8;
        QTest::newRow("ten frames in 3000s") << 40960 << 3000 << 8;
    }
    void buffersMoreThanOneFrame() {
        QFETCH(int, bytes);
        QFETCH(int, chunk);
        QFETCH(int, frames);
        FrameCollector collector;
        PackerPtr packer = openPacker(2, 32000, &collector);
        QVERIFY(packer);
        QVERIFY(feed(packer.get(), tone(32000, 2, bytes), bytes, chunk));
        QCOMPARE(static_cast<int>(collector.frames.size()), frames);
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
        QCOMPARE(results[0].size(), std::size_t{19});
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
        FrameCollector collector;
        PackerPtr packer = openPacker(channels, sampleRate, &collector);
        QVERIFY(packer);
        const int bytes = 10 * frameBytes(channels);
        QVERIFY(feed(packer.get(), tone(sampleRate, channels, bytes), bytes, 0));
        QCOMPARE(static_cast<int>(collector.frames.size()), 8);

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
        FrameCollector collector;
        PackerPtr packer = openPacker(channels, sampleRate, &collector);
        QVERIFY(packer);
        const auto samples = CTestTone::make(sampleRate, channels, 2 * sampleRate, {1000.0}, 0.5);
        const int bytes = static_cast<int>(samples.size() * sizeof(int16_t));
        QVERIFY(feed(packer.get(), samples, bytes, 3200));

        CAacTestDecoder decoder;
        for (const Frame& frame : collector.frames) {
            QVERIFY(decoder.decode(frame.data(), static_cast<int>(frame.size())));
        }
        QCOMPARE(decoder.channels(), channels);
        const auto result = CAlignedSnr::measure(CTestTone::toFloat(samples), decoder.samples(),
                                                 channels, 4096, 2048);
        qInfo("1 kHz tone, %d Hz, %d channel(s): SNR %.1f dB after a delay of %d samples",
              sampleRate, channels, result.snrDb, result.delayFrames);
        // Exactly the encoder's priming frame: no sample was lost or sent twice.
        QCOMPARE(result.delayFrames, 1024);
        QVERIFY2(result.snrDb > 25.0, qPrintable(QString::number(result.snrDb)));
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
    }

    void encodesWithoutAnEvent() {
        PackerPtr packer = openPacker(2, 32000, nullptr);
        QVERIFY(packer);
        const int bytes = 10 * frameBytes(2);
        QVERIFY(feed(packer.get(), tone(32000, 2, bytes), bytes, 0));
    }

    // After two frames, a call that must change nothing, then one more frame:
    // exactly one frame comes out only when the call added or lost no bytes.
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
        QCOMPARE(static_cast<int>(collector.frames.size()), 1);
    }

    void toleratesMissingHandle() {
        unsigned char bytes[16] = {};
        QCOMPARE(PcmPackerProcess(nullptr, bytes, sizeof bytes), 0);
        PcmPackerUninit(nullptr);
    }
};

KIV_TEST_CLASS(TestPcmPacker)
#include "tst_PcmPacker.moc"
