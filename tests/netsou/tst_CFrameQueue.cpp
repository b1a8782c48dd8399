#include <QtTest>
#include <future>
#include <vector>

#include "CFrameQueue.h"
#include "CNetSourcePin.h"
#include "INetSourceControl.h"
#include "KivTestRegistry.h"

namespace {

using Push = CFrameQueue::PushResult;

// A unit behind a four-byte start code; a key unit opens with an SPS (0x67).
std::vector<std::uint8_t> Unit(bool key, std::uint8_t id, int length = 32) {
    std::vector<std::uint8_t> unit(static_cast<size_t>(length), id);
    unit[0] = 0;
    unit[1] = 0;
    unit[2] = 0;
    unit[3] = 1;
    unit[4] = key ? 0x67 : 0x41;
    return unit;
}

Push PushUnit(CFrameQueue& queue, const std::vector<std::uint8_t>& unit, int tag = 0) {
    return queue.Push(unit.data(), static_cast<int>(unit.size()), tag);
}

}  // namespace

class tst_CFrameQueue : public QObject {
    Q_OBJECT
private slots:
    void nothingQueuedBeforeKey() {
        CFrameQueue queue;
        QCOMPARE(PushUnit(queue, Unit(false, 1)), Push::NoKey);
        QCOMPARE(PushUnit(queue, Unit(false, 2)), Push::NoKey);
        // A unit too short to hold the NAL header is no key either.
        const std::uint8_t shortUnit[] = {0, 0, 0, 1};
        QCOMPARE(queue.Push(shortUnit, 4, 0), Push::NoKey);
        QCOMPARE(queue.Push(nullptr, 0, 0), Push::Empty);
        QCOMPARE(PushUnit(queue, Unit(true, 3), 7), Push::Queued);
        QCOMPARE(PushUnit(queue, Unit(false, 4), 8), Push::Queued);

        std::vector<std::uint8_t> unit;
        int tag = 0;
        QVERIFY(queue.Pop(unit, tag));
        QCOMPARE(unit, Unit(true, 3));
        QCOMPARE(tag, 7);
        QVERIFY(queue.Pop(unit, tag));
        QCOMPARE(unit, Unit(false, 4));
        QCOMPARE(tag, 8);
    }

    // An unread slot drops the new unit and the key: deltas stay out until
    // the next key unit, even after the reader made room.
    void fullSlotDropsUntilNextKey() {
        CFrameQueue queue;
        QCOMPARE(PushUnit(queue, Unit(true, 0)), Push::Queued);
        for (int i = 1; i < CFrameQueue::kSlots; ++i) {
            QCOMPARE(PushUnit(queue, Unit(false, std::uint8_t(i))), Push::Queued);
        }
        QCOMPARE(PushUnit(queue, Unit(false, 15)), Push::SlotBusy);
        QCOMPARE(PushUnit(queue, Unit(true, 16)), Push::SlotBusy);

        std::vector<std::uint8_t> unit;
        int tag = 0;
        QVERIFY(queue.Pop(unit, tag));
        QCOMPARE(unit, Unit(true, 0));
        QCOMPARE(PushUnit(queue, Unit(false, 17)), Push::NoKey);
        QCOMPARE(PushUnit(queue, Unit(true, 18)), Push::Queued);
        for (int i = 1; i < CFrameQueue::kSlots; ++i) {
            QVERIFY(queue.Pop(unit, tag));
            QCOMPARE(unit, Unit(false, std::uint8_t(i)));
        }
        QVERIFY(queue.Pop(unit, tag));
        QCOMPARE(unit, Unit(true, 18));
    }

    void slotsKeepLargerUnits() {
        CFrameQueue queue;
        QCOMPARE(PushUnit(queue, Unit(true, 1, 100000)), Push::Queued);
        std::vector<std::uint8_t> unit;
        int tag = 0;
        QVERIFY(queue.Pop(unit, tag));
        QCOMPARE(unit.size(), size_t(100000));
        QCOMPARE(unit.back(), std::uint8_t(1));
    }

    void resetForgetsUnitsAndKey() {
        CFrameQueue queue;
        QCOMPARE(PushUnit(queue, Unit(true, 1)), Push::Queued);
        queue.Reset();
        QCOMPARE(PushUnit(queue, Unit(false, 2)), Push::NoKey);
        QCOMPARE(PushUnit(queue, Unit(true, 3)), Push::Queued);
        std::vector<std::uint8_t> unit;
        int tag = 0;
        QVERIFY(queue.Pop(unit, tag));
        QCOMPARE(unit, Unit(true, 3));
    }

    void resetWakesWaitingPop() {
        CFrameQueue queue;
        auto waiting = std::async(std::launch::async, [&queue] {
            std::vector<std::uint8_t> unit;
            int tag = 0;
            return queue.Pop(unit, tag);
        });
        while (waiting.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
            queue.Reset();
        }
        QVERIFY(!waiting.get());
    }

    void releaseStopsPopUntilResume() {
        CFrameQueue queue;
        QCOMPARE(PushUnit(queue, Unit(true, 1)), Push::Queued);
        queue.Release();
        std::vector<std::uint8_t> unit;
        int tag = 0;
        QVERIFY(!queue.Pop(unit, tag));
        queue.Resume();
        QVERIFY(queue.Pop(unit, tag));
        QCOMPARE(unit, Unit(true, 1));
    }

    // Mode 2 through the pin: units come out unchanged, one per sample, and
    // a stop ends a fill that waits for one.
    void pinPassesUnitsThrough() {
        CNetSourcePin pin;
        QCOMPARE(pin.SetVideoMode(2, 320, 240), INetSourceControl::kOk);
        QCOMPARE(pin.Format().kind, NetSourceFormat::Kind::CompressedVideo);
        CNetSourceSample sample;
        pin.DecideBufferSize(sample);
        QCOMPARE(sample.Size(), 320 * 240 * 3 + 8 * 320 * 3);
        const auto delta = Unit(false, 1);
        const auto key = Unit(true, 2, 500);
        const auto next = Unit(false, 3, 40);
        for (const auto* unit : {&delta, &key, &next}) {
            QCOMPARE(pin.PushData(unit->data(), int(unit->size()), 0, 0), INetSourceControl::kOk);
        }
        for (const auto* unit : {&key, &next}) {
            QCOMPARE(pin.FillBuffer(sample), CNetSourcePin::Fill::Delivered);
            QCOMPARE(sample.DataLength(), int(unit->size()));
            QVERIFY(std::equal(unit->begin(), unit->end(), sample.Data()));
        }
        auto waiting = std::async(std::launch::async, [&] { return pin.FillBuffer(sample); });
        pin.BeginStop();
        QCOMPARE(waiting.get(), CNetSourcePin::Fill::Stopping);
    }
};

KIV_TEST_CLASS(tst_CFrameQueue)
#include "tst_CFrameQueue.moc"
