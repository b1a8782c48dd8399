#include <QtTest>
#include <future>
#include <vector>

#include "CNetSourceFilter.h"
#include "CNetSourcePin.h"
#include "CTestH264Encoder.h"
#include "CTestPattern.h"
#include "INetSourceControl.h"
#include "KivTestRegistry.h"

namespace {

std::vector<std::vector<std::uint8_t>> EncodeStream(int width, int height, int frames) {
    CTestH264Encoder encoder(width, height, 4);
    std::vector<std::vector<std::uint8_t>> units;
    for (int i = 0; i < frames && encoder.IsOpen(); ++i) {
        units.push_back(encoder.Encode(CTestPattern::Make(width, height, i, 3)));
    }
    return units;
}

// Pictures travel bottom-up inside the pin.
double DiffToPattern(const CNetSourceSample& sample, int width, int height, int index) {
    const auto expected =
        CTestPattern::FlipRows(CTestPattern::Make(width, height, index, 3), width, height, 3);
    return CTestPattern::MeanAbsDiff(sample.Data(), expected.data(), width, height, 3);
}

}  // namespace

class tst_CNetSourcePin : public QObject {
    Q_OBJECT
private slots:
    void rawFrameMustHaveItsSize_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("mode 11, 320x240x3") << 11 << 230400 << true;
        QTest::newRow("mode 11, one byte short") << 11 << 230399 << false;
        QTest::newRow("mode 11, one byte over") << 11 << 230401 << false;
        QTest::newRow("mode 11, empty") << 11 << 0 << false;
        QTest::newRow("mode 11, a 32-bit frame") << 11 << 307200 << false;
        QTest::newRow("mode 12, 320x240x4") << 12 << 307200 << true;
        QTest::newRow("mode 12, a 24-bit frame") << 12 << 230400 << false;
    }
    void rawFrameMustHaveItsSize() {
        QFETCH(int, mode);
        QFETCH(int, length);
        QFETCH(bool, accepted);
        CNetSourcePin pin;
        QCOMPARE(pin.SetVideoMode(mode, 320, 240), INetSourceControl::kOk);
        QCOMPARE(pin.Format().bitsPerPixel, mode == 11 ? 24 : 32);
        std::vector<std::uint8_t> frame(static_cast<size_t>(length) + 1);
        for (size_t i = 0; i < frame.size(); ++i) {
            frame[i] = static_cast<std::uint8_t>(i * 7);
        }
        QCOMPARE(pin.PushData(frame.data(), length, 0, 0),
                 accepted ? INetSourceControl::kOk : INetSourceControl::kFail);

        // A refused frame leaves the black picture in place.
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
        const int size = 320 * 240 * (mode == 11 ? 3 : 4);
        QCOMPARE(sample.DataLength(), size);
        if (accepted) {
            QVERIFY(std::equal(frame.begin(), frame.begin() + size, sample.Data()));
        } else {
            QVERIFY(std::all_of(sample.Data(), sample.Data() + size, [](auto b) { return !b; }));
        }
    }

    void refusesPictureSizes_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("no width") << 0 << 240;
        QTest::newRow("negative height") << 320 << -240;
        QTest::newRow("too wide") << 4097 << 240;
        QTest::newRow("too high") << 320 << 4097;
    }
    void refusesPictureSizes() {
        QFETCH(int, width);
        QFETCH(int, height);
        CNetSourcePin pin;
        QCOMPARE(pin.SetVideoMode(11, width, height), INetSourceControl::kFail);
        QCOMPARE(pin.Mode(), 101);
    }

    // Mode 1: units wait for a key, are decoded at push and the latest
    // picture is delivered; an inactive pin drops what it gets.
    void decodesAtPush() {
        const auto units = EncodeStream(320, 240, 6);
        QCOMPARE(units.size(), size_t(6));
        CNetSourcePin pin;
        QCOMPARE(pin.SetVideoMode(1, 320, 240), INetSourceControl::kOk);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        QCOMPARE(pin.PushData(units[0].data(), int(units[0].size()), 0, 0), INetSourceControl::kOk);
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
        QCOMPARE(sample.DataLength(), 0);

        QCOMPARE(pin.SetActive(1), INetSourceControl::kOk);
        QCOMPARE(pin.PushData(units[1].data(), int(units[1].size()), 0, 0), INetSourceControl::kOk);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(pin.PushData(units[size_t(i)].data(), int(units[size_t(i)].size()), 0, 0),
                     INetSourceControl::kOk);
            QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
            QCOMPARE(sample.DataLength(), 320 * 240 * 3);
            QVERIFY(DiffToPattern(sample, 320, 240, i) < 3.0);
        }
    }

    // Mode 3: queued units are decoded into the sample one by one, in order.
    void decodesWhenDelivered() {
        const auto units = EncodeStream(320, 240, 6);
        CNetSourcePin pin;
        QCOMPARE(pin.SetVideoMode(3, 320, 240), INetSourceControl::kOk);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        // Not active yet: nothing is queued.
        QCOMPARE(pin.PushData(units[0].data(), int(units[0].size()), 0, 0), INetSourceControl::kOk);
        QCOMPARE(pin.SetActive(1), INetSourceControl::kOk);
        for (const auto& unit : units) {
            QCOMPARE(pin.PushData(unit.data(), int(unit.size()), 0, 0), INetSourceControl::kOk);
        }
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
            QVERIFY(DiffToPattern(sample, 320, 240, i) < 3.0);
        }
        auto waiting = std::async(std::launch::async, [&] { return pin.FillBuffer(sample); });
        pin.BeginStop();
        QCOMPARE(waiting.get(), CNetSourcePin::Fill::Stopping);
    }

    // A stopped filter ignores pushes until it runs again; a pause or a flush
    // (an unlock of the streaming thread) keeps them.
    void onlyAStopDropsPushes() {
        CNetSourceFilter filter;
        CNetSourcePin& pin = filter.Pin();
        QCOMPARE(pin.SetVideoMode(2, 16, 16), INetSourceControl::kOk);
        filter.Run();
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        const std::vector<std::uint8_t> key{0, 0, 0, 1, 0x67, 1, 2, 3};
        filter.Pause();
        filter.Unlock();
        QCOMPARE(pin.PushData(key.data(), int(key.size()), 0, 0), INetSourceControl::kOk);
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Stopping);
        filter.UnlockStop();
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
        QCOMPARE(sample.DataLength(), int(key.size()));
        filter.Stop();
        filter.UnlockStop();
        QCOMPARE(pin.PushData(key.data(), int(key.size()), 0, 0), INetSourceControl::kOk);
        filter.Run();
        auto waiting = std::async(std::launch::async, [&] { return pin.FillBuffer(sample); });
        QCOMPARE(waiting.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
        QCOMPARE(pin.PushData(key.data(), int(key.size()), 0, 0), INetSourceControl::kOk);
        QCOMPARE(waiting.get(), CNetSourcePin::Fill::Delivered);
    }

    // Leaving a queued mode wakes the fill that waits for a unit, so the new
    // mode delivers.
    void leavingAQueuedModeWakesTheFill_data() {
        QTest::addColumn<int>("queued");
        QTest::addColumn<bool>("toAudio");
        QTest::newRow("2 to raw") << 2 << false;
        QTest::newRow("3 to raw") << 3 << false;
        QTest::newRow("2 to sound") << 2 << true;
    }
    void leavingAQueuedModeWakesTheFill() {
        QFETCH(int, queued);
        QFETCH(bool, toAudio);
        CNetSourcePin pin;
        QCOMPARE(pin.SetVideoMode(queued, 16, 16), INetSourceControl::kOk);
        pin.SetActive(1);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        auto waiting = std::async(std::launch::async, [&] { return pin.FillBuffer(sample); });
        // A failed check must not leave the fill waiting for ever.
        const std::unique_ptr<CNetSourcePin, void (*)(CNetSourcePin*)> unblock(
            &pin, [](CNetSourcePin* p) { p->BeginStop(); });
        QCOMPARE(waiting.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
        if (toAudio) {
            QCOMPARE(pin.SetAudioMode(101, 16000, 16, 1, 1024), INetSourceControl::kOk);
        } else {
            QCOMPARE(pin.SetVideoMode(11, 2, 2), INetSourceControl::kOk);
        }
        QCOMPARE(waiting.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        QCOMPARE(waiting.get(), CNetSourcePin::Fill::Nothing);
    }

    // A compressed unit may be larger than the picture: eight rows of room.
    void largeUnitsFitTheSample() {
        CNetSourcePin pin;
        QCOMPARE(pin.SetVideoMode(2, 64, 16), INetSourceControl::kOk);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        QCOMPARE(sample.Size(), 64 * 16 * 3 + 8 * 64 * 3);
        std::vector<std::uint8_t> unit(size_t(64 * 16 * 3 + 4 * 64 * 3), 7);
        unit[4] = 0x67;
        QCOMPARE(pin.PushData(unit.data(), int(unit.size()), 0, 0), INetSourceControl::kOk);
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
        QCOMPARE(sample.DataLength(), int(unit.size()));
        std::vector<std::uint8_t> tooLarge(size_t(sample.Size() + 1), 7);
        tooLarge[4] = 0x67;
        QCOMPARE(pin.PushData(tooLarge.data(), int(tooLarge.size()), 0, 0),
                 INetSourceControl::kFail);
    }

    void waitingRawFillEndsOnStop() {
        CNetSourcePin pin;
        QCOMPARE(pin.SetVideoMode(12, 4, 4), INetSourceControl::kOk);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        // The mode change itself wakes one fill, which repeats the sample.
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
        auto waiting = std::async(std::launch::async, [&] { return pin.FillBuffer(sample); });
        pin.BeginStop();
        QCOMPARE(waiting.get(), CNetSourcePin::Fill::Stopping);
    }
};

KIV_TEST_CLASS(tst_CNetSourcePin)
#include "tst_CNetSourcePin.moc"
