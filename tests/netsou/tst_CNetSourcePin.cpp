#include <QtTest>
#include <future>
#include <vector>

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

    // While stopping, pushes are ignored; after the stop ends they count again.
    void stoppingIgnoresPushes() {
        CNetSourcePin pin;
        QCOMPARE(pin.SetVideoMode(11, 2, 2), INetSourceControl::kOk);
        const std::vector<std::uint8_t> frame(12, 9);
        pin.BeginStop();
        QCOMPARE(pin.PushData(frame.data(), 12, 0, 0), INetSourceControl::kOk);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Stopping);
        pin.EndStop();
        QCOMPARE(pin.PushData(frame.data(), 12, 0, 0), INetSourceControl::kOk);
        QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
        QVERIFY(std::equal(frame.begin(), frame.end(), sample.Data()));
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
