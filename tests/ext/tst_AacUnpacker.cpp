#include <QtTest>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "AacUnpacker.h"
#include "CStderrCatcher.h"
#include "KivTestRegistry.h"
#include "PcmPacker.h"

namespace {

constexpr int kCapacity = 10240;
constexpr std::uint8_t kCanary = 0xA5;

struct Closer {
    void operator()(void* handle) const { AacUnpackerUnInit(handle); }
};
using Decoder = std::unique_ptr<void, Closer>;

// Keeps the encoder's frames.
class CFrames : public IPcmToAACEvent {
public:
    void OnPcmToAAC(unsigned char* frame, int length) override {
        frames.emplace_back(frame, frame + length);
    }
    std::vector<std::vector<std::uint8_t>> frames;
};

// A second of a 1 kHz tone, at 32 kHz unless said otherwise, encoded.
std::vector<std::vector<std::uint8_t>> EncodeTone(int channels, int rate = 32000) {
    CFrames sink;
    void* encoder = PcmPackerInit(channels, rate, 16, &sink);
    std::vector<std::int16_t> pcm(static_cast<size_t>(rate) * static_cast<size_t>(channels));
    for (size_t i = 0; i < pcm.size(); ++i) {
        const double t = static_cast<double>(i / static_cast<size_t>(channels)) / rate;
        pcm[i] = static_cast<std::int16_t>(8000.0 * std::sin(2.0 * M_PI * 1000.0 * t));
    }
    PcmPackerProcess(encoder, reinterpret_cast<unsigned char*>(pcm.data()),
                     static_cast<int>(pcm.size() * 2));
    PcmPackerUninit(encoder);
    return sink.frames;
}

struct Decoded {
    int result;
    int length;
    bool guardIntact;
};

Decoded Decode(void* decoder, std::vector<std::uint8_t> frame, int capacity) {
    std::vector<char> out(kCapacity + 64, static_cast<char>(kCanary));
    bool flag = false;
    int length = capacity;
    const int result = AacUnpackerProc(decoder, reinterpret_cast<char*>(frame.data()),
                                       static_cast<int>(frame.size()), out.data(), flag, length);
    bool intact = true;
    for (size_t i = static_cast<size_t>(capacity); i < out.size(); ++i) {
        intact = intact && static_cast<std::uint8_t>(out[i]) == kCanary;
    }
    return Decoded{result, length, intact};
}

}  // namespace

class tst_AacUnpacker : public QObject {
    Q_OBJECT
private slots:
    void decodesTheEncodersFrames() {
        const auto frames = EncodeTone(2);
        QVERIFY(frames.size() > 20);
        Decoder decoder(AacUnpackerInit());
        QVERIFY(decoder);
        bool flag = false;
        std::vector<std::int16_t> pcm(kCapacity / 2);
        double energy = 0.0;
        for (auto frame : frames) {
            int length = kCapacity;
            QVERIFY(AacUnpackerProc(decoder.get(), reinterpret_cast<char*>(frame.data()),
                                    static_cast<int>(frame.size()),
                                    reinterpret_cast<char*>(pcm.data()), flag, length) != 0);
            // 1024 stereo 16-bit samples per frame.
            QCOMPARE(length, 4096);
            for (int i = 0; i < length / 2; ++i) {
                energy += double(pcm[size_t(i)]) * pcm[size_t(i)];
            }
        }
        QVERIFY(flag);
        const double rms = std::sqrt(energy / (double(frames.size()) * 2048.0));
        // The tone's level (8000 peak, about 5660 rms) comes back.
        QVERIFY2(rms > 4000.0 && rms < 7000.0, qPrintable(QString::number(rms)));
    }

    // The call plays 32 kHz stereo: a peer that sends mono, or another rate,
    // is resampled to it, so the tone keeps its pitch and the second its
    // length, and a mono peer is heard on both channels.
    void resamplesToTheCallsFormat_data() {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::newRow("mono 32 kHz") << 1 << 32000;
        QTest::newRow("stereo 48 kHz") << 2 << 48000;
        QTest::newRow("mono 48 kHz") << 1 << 48000;
        QTest::newRow("stereo 16 kHz") << 2 << 16000;
        QTest::newRow("stereo 32 kHz") << 2 << 32000;
    }
    void resamplesToTheCallsFormat() {
        QFETCH(int, channels);
        QFETCH(int, rate);
        const auto frames = EncodeTone(channels, rate);
        QVERIFY(frames.size() > 10);
        Decoder decoder(AacUnpackerInit());
        QCOMPARE(AacUnpackerSetFormat(decoder.get(), 32000, 2), 0);
        std::vector<std::int16_t> pcm;
        std::vector<std::int16_t> out(kCapacity / 2);
        bool flag = false;
        for (auto frame : frames) {
            int length = kCapacity;
            AacUnpackerProc(decoder.get(), reinterpret_cast<char*>(frame.data()),
                            static_cast<int>(frame.size()), reinterpret_cast<char*>(out.data()),
                            flag, length);
            pcm.insert(pcm.end(), out.begin(), out.begin() + length / 2);
        }
        // About a second at 32 kHz (the coders' delays and the last partial
        // frame aside).
        const int samples = int(pcm.size() / 2);
        QVERIFY2(samples > 28000 && samples < 34000, qPrintable(QString::number(samples)));
        // The pitch: rising zero crossings of the left channel in the middle
        // half second, and the right channel follows the left.
        int rising = 0;
        double apart = 0.0;
        for (int i = 8000; i < 24000; ++i) {
            rising += (pcm[size_t(2 * i - 2)] < 0 && pcm[size_t(2 * i)] >= 0) ? 1 : 0;
            apart += std::abs(double(pcm[size_t(2 * i)]) - pcm[size_t(2 * i + 1)]);
        }
        QVERIFY2(rising >= 480 && rising <= 520, qPrintable(QString::number(rising)));
        QVERIFY2(apart / 16000.0 < 200.0, qPrintable(QString::number(apart / 16000.0)));
        QCOMPARE(AacUnpackerSetFormat(decoder.get(), 1000, 2), -1);
        QCOMPARE(AacUnpackerSetFormat(nullptr, 32000, 2), -1);
    }

    void tooLargeForTheBufferIsDropped() {
        // Eight channels decode to 16384 bytes, more than the 10240 given.
        const auto frames = EncodeTone(8);
        QVERIFY(!frames.empty());
        Decoder decoder(AacUnpackerInit());
        const Decoded decoded = Decode(decoder.get(), frames[3], kCapacity);
        QCOMPARE(decoded.result, 0);
        QCOMPARE(decoded.length, 0);
        QVERIFY(decoded.guardIntact);
        // Stereo frames with a buffer one byte short are dropped the same way.
        Decoder stereo(AacUnpackerInit());
        const Decoded shortBuffer = Decode(stereo.get(), EncodeTone(2)[3], 4095);
        QCOMPARE(shortBuffer.result, 0);
        QVERIFY(shortBuffer.guardIntact);
    }

    void hostileInputIsSafe() {
        const auto frames = EncodeTone(2);
        Decoder decoder(AacUnpackerInit());
        std::mt19937 random(14);
        // What libavcodec says about each bad frame is limited to a line a
        // second, so a damaged stream does not flood the client's terminal.
        CStderrCatcher errors;
        for (int round = 0; round < 4; ++round)
            for (size_t n = 0; n < frames.size(); ++n) {
                auto frame = frames[n];
                // Cut short, bits flipped, or noise behind a valid header.
                switch (n % 3) {
                    case 0:
                        frame.resize(random() % frame.size());
                        break;
                    case 1:
                        for (int flips = 0; flips < 8; ++flips) {
                            frame[random() % frame.size()] ^= std::uint8_t(1u << (random() % 8));
                        }
                        break;
                    default:
                        for (size_t i = 7; i < frame.size(); ++i) {
                            frame[i] = std::uint8_t(random());
                        }
                        break;
                }
                const Decoded decoded = Decode(decoder.get(), frame, kCapacity);
                QVERIFY(decoded.length >= 0 && decoded.length <= kCapacity);
                QVERIFY(decoded.guardIntact);
            }
        errors.Stop();
        QVERIFY2(errors.CodecLines() <= 1 + errors.ElapsedMs() / 1000,
                 qPrintable(QStringLiteral("%1 lines in %2 ms")
                                .arg(errors.CodecLines())
                                .arg(errors.ElapsedMs())));
        // The decoder still works afterwards.
        QCOMPARE(Decode(decoder.get(), frames[10], kCapacity).length, 4096);
        bool flag = false;
        int length = kCapacity;
        char out[16];
        QCOMPARE(AacUnpackerProc(nullptr, out, 16, out, flag, length), 0);
        QCOMPARE(length, 0);
    }
};

KIV_TEST_CLASS(tst_AacUnpacker)
#include "tst_AacUnpacker.moc"
