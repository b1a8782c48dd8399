#include <QtTest>
#include <algorithm>
#include <vector>

#include "CNetSourcePin.h"
#include "CPcmRing.h"
#include "INetSourceControl.h"
#include "KivTestRegistry.h"

namespace {

// Bytes that are never zero, so they cannot pass for silence.
std::vector<std::uint8_t> Pcm(int length, int offset = 0) {
    std::vector<std::uint8_t> bytes(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        bytes[static_cast<size_t>(i)] = static_cast<std::uint8_t>(1 + (i + offset) % 251);
    }
    return bytes;
}

bool AllEqual(const std::uint8_t* data, int length, std::uint8_t value) {
    return std::all_of(data, data + length, [value](std::uint8_t b) { return b == value; });
}

}  // namespace

class tst_CPcmRing : public QObject {
    Q_OBJECT
private slots:
    void chunkFollowsFormat_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("chunk");
        QTest::newRow("32000 Hz stereo") << 32000 << 16 << 2 << 1280;
        QTest::newRow("16000 Hz mono") << 16000 << 16 << 1 << 320;
        QTest::newRow("44100 Hz stereo") << 44100 << 16 << 2 << 1764;
        QTest::newRow("22050 Hz stereo, whole frames") << 22050 << 16 << 2 << 880;
        QTest::newRow("8000 Hz 8-bit") << 8000 << 8 << 1 << 80;
        QTest::newRow("48000 Hz 24-bit 6 channels") << 48000 << 24 << 6 << 8640;
    }
    void chunkFollowsFormat() {
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(int, channels);
        QFETCH(int, chunk);
        CNetSourcePin pin;
        QCOMPARE(pin.SetAudioMode(101, rate, bits, channels, 4096), INetSourceControl::kOk);
        const NetSourceFormat format = pin.Format();
        QCOMPARE(format.kind, NetSourceFormat::Kind::Audio);
        QCOMPARE(format.chunkBytes, chunk);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        QCOMPARE(sample.Size(), chunk);
    }

    void refusesUnplayableFormats_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::newRow("no rate") << 0 << 16 << 2;
        QTest::newRow("12-bit") << 32000 << 12 << 2;
        QTest::newRow("no channels") << 32000 << 16 << 0;
        QTest::newRow("nine channels") << 32000 << 16 << 9;
        QTest::newRow("less than a frame in 10 ms") << 50 << 16 << 1;
    }
    void refusesUnplayableFormats() {
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(int, channels);
        CNetSourcePin pin;
        QCOMPARE(pin.SetAudioMode(101, rate, bits, channels, 4096), INetSourceControl::kFail);
        QCOMPARE(pin.Format().chunkBytes, 320);
    }

    // 4096 bytes at 32000 Hz stereo give three chunks and keep 256 bytes,
    // which lead the next chunk; a dry ring then plays silence.
    void pushGivesWholeChunks() {
        CNetSourcePin pin;
        QCOMPARE(pin.SetAudioMode(101, 32000, 16, 2, 4096), INetSourceControl::kOk);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        const auto first = Pcm(4096);
        QCOMPARE(pin.PushData(first.data(), 4096, 0, 0), INetSourceControl::kOk);
        for (int chunk = 0; chunk < 3; ++chunk) {
            QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
            QCOMPARE(sample.DataLength(), 1280);
            QVERIFY(std::equal(sample.Data(), sample.Data() + 1280, first.data() + chunk * 1280));
        }
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
        QCOMPARE(sample.DataLength(), 1280);
        QVERIFY(AllEqual(sample.Data(), 1280, 0));

        const auto second = Pcm(1024, 4096);
        QCOMPARE(pin.PushData(second.data(), 1024, 0, 0), INetSourceControl::kOk);
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
        QVERIFY(std::equal(sample.Data(), sample.Data() + 256, first.data() + 3840));
        QVERIFY(std::equal(sample.Data() + 256, sample.Data() + 1280, second.data()));
    }

    void emptyPushChangesNothing() {
        CNetSourcePin pin;
        QCOMPARE(pin.SetAudioMode(101, 32000, 16, 2, 4096), INetSourceControl::kOk);
        QCOMPARE(pin.PushData(nullptr, 0, 0, 0), INetSourceControl::kOk);
        QCOMPARE(pin.PushData(nullptr, 10, 0, 0), INetSourceControl::kFail);
        QCOMPARE(pin.PushData(Pcm(4).data(), -1, 0, 0), INetSourceControl::kFail);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
        QVERIFY(AllEqual(sample.Data(), 1280, 0));
    }

    void dropsPushThatWouldFill_data() {
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("kept");
        QTest::newRow("exactly full") << 51200 - 1280 << 1280 << false;
        QTest::newRow("one byte short of full") << 51200 - 1280 << 1279 << true;
        QTest::newRow("beyond full") << 40000 << 20000 << false;
        QTest::newRow("whole ring at once") << 0 << 51200 << false;
        QTest::newRow("empty ring, all but one byte") << 0 << 51199 << true;
    }
    void dropsPushThatWouldFill() {
        QFETCH(int, held);
        QFETCH(int, length);
        QFETCH(bool, kept);
        CPcmRing ring;
        ring.Configure(1280, 0);
        QCOMPARE(ring.Capacity(), 51200);
        QVERIFY(ring.Push(Pcm(held).data(), held));
        QCOMPARE(ring.Held(), held);
        QCOMPARE(ring.Push(Pcm(length).data(), length), kept);
        QCOMPARE(ring.Held(), kept ? held + length : held);
    }

    // The ring runs round many times with pushes that do not line up with
    // chunks; the bytes come out in order.
    void keepsOrderAcrossWrap() {
        CPcmRing ring;
        ring.Configure(320, 0);
        int pushed = 0;
        int read = 0;
        std::vector<std::uint8_t> chunk(320);
        for (int round = 0; round < 400; ++round) {
            const int length = 700 + (round * 37) % 900;
            if (ring.Push(Pcm(length, pushed).data(), length)) {
                pushed += length;
            }
            while (ring.Held() >= 320) {
                QVERIFY(ring.ReadChunk(chunk.data(), 320));
                const auto expected = Pcm(320, read);
                QVERIFY2(std::equal(chunk.begin(), chunk.end(), expected.begin()),
                         qPrintable(QString("chunk at byte %1").arg(read)));
                read += 320;
            }
        }
        QVERIFY(read > 20 * 12800);
    }

    void dryRingIsSilence_data() {
        QTest::addColumn<std::uint8_t>("silence");
        QTest::newRow("16-bit") << std::uint8_t(0x00);
        QTest::newRow("8-bit") << std::uint8_t(0x80);
    }
    void dryRingIsSilence() {
        QFETCH(std::uint8_t, silence);
        CPcmRing ring;
        ring.Configure(320, silence);
        QVERIFY(ring.Push(Pcm(500).data(), 500));
        std::vector<std::uint8_t> out(320, 0x55);
        QVERIFY(ring.ReadChunk(out.data(), 320));
        QVERIFY(!ring.ReadChunk(out.data(), 320));
        QVERIFY(AllEqual(out.data(), 320, silence));
        QCOMPARE(ring.Held(), 180);
    }

    void unconfiguredRingTakesNothing() {
        CPcmRing ring;
        QVERIFY(!ring.Push(Pcm(10).data(), 10));
        std::vector<std::uint8_t> out(16, 0x55);
        QVERIFY(!ring.ReadChunk(out.data(), 16));
        QVERIFY(AllEqual(out.data(), 16, 0));
    }
};

KIV_TEST_CLASS(tst_CPcmRing)
#include "tst_CPcmRing.moc"
