#include <QtTest>
#include <memory>
#include <random>
#include <vector>

#include "AvcUnpack.h"
#include "CStderrCatcher.h"
#include "CTestH264Encoder.h"
#include "CTestPattern.h"
#include "KivTestRegistry.h"

namespace {

struct Closer {
    void operator()(void* handle) const { AvcUnpackUnInit(handle); }
};
using Decoder = std::unique_ptr<void, Closer>;

// Bytes after the picture that a decode must never touch.
constexpr size_t kGuard = 64;
constexpr std::uint8_t kCanary = 0xA5;

std::vector<std::vector<std::uint8_t>> EncodeStream(int width, int height, int frames,
                                                    int keyInterval) {
    CTestH264Encoder encoder(width, height, keyInterval);
    std::vector<std::vector<std::uint8_t>> units;
    for (int i = 0; i < frames && encoder.IsOpen(); ++i) {
        units.push_back(encoder.Encode(CTestPattern::Make(width, height, i, 3)));
    }
    return units;
}

bool GuardIntact(const std::vector<std::uint8_t>& out, size_t pictureBytes) {
    for (size_t i = pictureBytes; i < out.size(); ++i) {
        if (out[i] != kCanary) {
            return false;
        }
    }
    return true;
}

}  // namespace

class tst_AvcUnpack : public QObject {
    Q_OBJECT
private slots:
    void decodesToPicture_data() {
        QTest::addColumn<int>("streamWidth");
        QTest::addColumn<int>("streamHeight");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bits");
        QTest::addColumn<double>("bound");
        QTest::newRow("320x240, 24 bits") << 320 << 240 << 320 << 240 << 24 << 3.0;
        QTest::newRow("320x240, 32 bits") << 320 << 240 << 320 << 240 << 32 << 3.0;
        QTest::newRow("odd size, 24 bits") << 178 << 98 << 178 << 98 << 24 << 3.0;
        QTest::newRow("scaled to the asked size") << 320 << 240 << 160 << 120 << 24 << 5.0;
    }
    void decodesToPicture() {
        QFETCH(int, streamWidth);
        QFETCH(int, streamHeight);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, bits);
        QFETCH(double, bound);
        const auto units = EncodeStream(streamWidth, streamHeight, 8, 4);
        QCOMPARE(units.size(), size_t(8));
        QCOMPARE(units[0].at(4), std::uint8_t(0x67));

        Decoder decoder(AvcUnpackInit());
        QVERIFY(decoder);
        QCOMPARE(AvcUnpackSetBitCount(decoder.get(), bits), 0);
        const int bytesPerPixel = bits / 8;
        const size_t pictureBytes = static_cast<size_t>(width) * height * bytesPerPixel;
        for (size_t i = 0; i < units.size(); ++i) {
            std::vector<std::uint8_t> out(pictureBytes + kGuard, kCanary);
            int w = width;
            int h = height;
            int extra = 7;
            QCOMPARE(AvcUnpackProc(decoder.get(), units[i].data(), int(units[i].size()), out.data(),
                                   &w, &h, &extra),
                     int(AVCUNPACK_FRAME));
            QCOMPARE(w, width);
            QCOMPARE(h, height);
            QCOMPARE(extra, 0);
            QVERIFY(GuardIntact(out, pictureBytes));
            // Rows come bottom-up: flipped back, the picture must match.
            const auto expected =
                CTestPattern::FlipRows(CTestPattern::Make(width, height, int(i), bytesPerPixel),
                                       width, height, bytesPerPixel);
            const double diff = CTestPattern::MeanAbsDiff(out.data(), expected.data(), width,
                                                          height, bytesPerPixel);
            QVERIFY2(diff < bound, qPrintable(QString("frame %1 differs by %2").arg(i).arg(diff)));
        }
    }

    void refusesBadArguments_data() {
        QTest::addColumn<bool>("nullHandle");
        QTest::addColumn<bool>("nullInput");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("nullOutput");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("no handle") << true << false << 100 << false << 16 << 16;
        QTest::newRow("no input") << false << true << 100 << false << 16 << 16;
        QTest::newRow("empty input") << false << false << 0 << false << 16 << 16;
        QTest::newRow("negative length") << false << false << -4 << false << 16 << 16;
        QTest::newRow("no output") << false << false << 100 << true << 16 << 16;
        QTest::newRow("zero width") << false << false << 100 << false << 0 << 16;
        QTest::newRow("too wide") << false << false << 100 << false << 4097 << 16;
        QTest::newRow("negative height") << false << false << 100 << false << 16 << -16;
    }
    void refusesBadArguments() {
        QFETCH(bool, nullHandle);
        QFETCH(bool, nullInput);
        QFETCH(int, length);
        QFETCH(bool, nullOutput);
        QFETCH(int, width);
        QFETCH(int, height);
        Decoder decoder(AvcUnpackInit());
        QVERIFY(decoder);
        const auto units = EncodeStream(16, 16, 1, 1);
        std::vector<std::uint8_t> input = units.at(0);
        input.resize(std::max<size_t>(input.size(), 100));
        std::vector<std::uint8_t> out(16 * 16 * 3, kCanary);
        QCOMPARE(
            AvcUnpackProc(nullHandle ? nullptr : decoder.get(), nullInput ? nullptr : input.data(),
                          length, nullOutput ? nullptr : out.data(), &width, &height, nullptr),
            int(AVCUNPACK_BAD_ARGUMENT));
        QVERIFY(GuardIntact(out, 0));
    }

    void bitCountIs24Or32() {
        Decoder decoder(AvcUnpackInit());
        QVERIFY(decoder);
        QCOMPARE(AvcUnpackSetBitCount(decoder.get(), 16), int(AVCUNPACK_BAD_ARGUMENT));
        QCOMPARE(AvcUnpackSetBitCount(decoder.get(), 0), int(AVCUNPACK_BAD_ARGUMENT));
        QCOMPARE(AvcUnpackSetBitCount(nullptr, 24), int(AVCUNPACK_BAD_ARGUMENT));
        // A refused value leaves 24 bits in place: a 24-bit buffer is enough.
        const auto units = EncodeStream(32, 32, 1, 1);
        std::vector<std::uint8_t> out(32 * 32 * 3 + kGuard, kCanary);
        int w = 32;
        int h = 32;
        QCOMPARE(AvcUnpackProc(decoder.get(), units[0].data(), int(units[0].size()), out.data(), &w,
                               &h, nullptr),
                 int(AVCUNPACK_FRAME));
        QVERIFY(GuardIntact(out, 32 * 32 * 3));
    }

    // Garbage, cut and corrupted units may fail but never crash, never write
    // outside the picture, and leave the decoder able to take the next key.
    void survivesDamagedInput() {
        const int width = 64;
        const int height = 48;
        const size_t pictureBytes = size_t(width) * height * 3;
        const auto units = EncodeStream(width, height, 6, 3);
        Decoder decoder(AvcUnpackInit());
        QVERIFY(decoder);
        std::mt19937 random(1234);
        std::vector<std::vector<std::uint8_t>> damaged;
        for (int i = 0; i < 40; ++i) {
            std::vector<std::uint8_t> garbage(1 + random() % 3000);
            for (auto& byte : garbage) {
                byte = static_cast<std::uint8_t>(random());
            }
            if (i % 2 == 0 && garbage.size() > 5) {
                const std::uint8_t startCode[] = {0, 0, 0, 1, 0x67};
                std::copy(std::begin(startCode), std::end(startCode), garbage.begin());
            }
            damaged.push_back(garbage);
        }
        for (const auto& unit : units) {
            for (size_t cut : {size_t(5), unit.size() / 3, unit.size() - 1}) {
                damaged.emplace_back(unit.begin(), unit.begin() + cut);
            }
            auto flipped = unit;
            for (size_t i = 8; i < flipped.size(); i += 7) {
                flipped[i] ^= static_cast<std::uint8_t>(1u << (i % 8));
            }
            damaged.push_back(flipped);
        }
        // What libavcodec says about each bad unit is limited to a line a
        // second, so a damaged stream does not flood the client's terminal.
        CStderrCatcher errors;
        for (const auto& unit : damaged) {
            std::vector<std::uint8_t> out(pictureBytes + kGuard, kCanary);
            int w = width;
            int h = height;
            const int result = AvcUnpackProc(decoder.get(), unit.data(), int(unit.size()),
                                             out.data(), &w, &h, nullptr);
            QVERIFY(result == AVCUNPACK_FRAME || result == AVCUNPACK_NO_FRAME ||
                    result == AVCUNPACK_BAD_STREAM || result == AVCUNPACK_BAD_PICTURE);
            QVERIFY(GuardIntact(out, result == AVCUNPACK_FRAME ? pictureBytes : 0));
        }
        errors.Stop();
        QVERIFY2(errors.CodecLines() <= 1 + errors.ElapsedMs() / 1000,
                 qPrintable(QStringLiteral("%1 lines in %2 ms")
                                .arg(errors.CodecLines())
                                .arg(errors.ElapsedMs())));

        std::vector<std::uint8_t> out(pictureBytes);
        int w = width;
        int h = height;
        QCOMPARE(AvcUnpackProc(decoder.get(), units[3].data(), int(units[3].size()), out.data(), &w,
                               &h, nullptr),
                 int(AVCUNPACK_FRAME));
        const auto expected =
            CTestPattern::FlipRows(CTestPattern::Make(width, height, 3, 3), width, height, 3);
        QVERIFY(CTestPattern::MeanAbsDiff(out.data(), expected.data(), width, height, 3) < 3.0);
    }

    // A stream wider than the largest side is refused, whatever size is asked.
    void refusesOversizedStream() {
        const auto units = EncodeStream(kAvcUnpackMaxSide + 16, 16, 1, 1);
        QCOMPARE(units.size(), size_t(1));
        QVERIFY(!units[0].empty());
        Decoder decoder(AvcUnpackInit());
        QVERIFY(decoder);
        std::vector<std::uint8_t> out(64 * 16 * 3, kCanary);
        int w = 64;
        int h = 16;
        const int result = AvcUnpackProc(decoder.get(), units[0].data(), int(units[0].size()),
                                         out.data(), &w, &h, nullptr);
        QVERIFY(result != AVCUNPACK_FRAME);
        QVERIFY(GuardIntact(out, 0));
    }
};

KIV_TEST_CLASS(tst_AvcUnpack)
#include "tst_AvcUnpack.moc"
