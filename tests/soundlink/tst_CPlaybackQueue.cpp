#include <QtTest>
#include <numeric>
#include <vector>

#include "CPlaybackQueue.h"
#include "KivTestRegistry.h"

namespace {

std::vector<std::uint8_t> Run(int first, int count) {
    std::vector<std::uint8_t> bytes(static_cast<size_t>(count));
    std::iota(bytes.begin(), bytes.end(), static_cast<std::uint8_t>(first));
    return bytes;
}

}  // namespace

class tst_CPlaybackQueue : public QObject {
    Q_OBJECT
private slots:
    // Arriving faster than played pushes the oldest sound out, in whole
    // frames, so the newest is what plays next.
    void limitDropsTheOldest() {
        CPlaybackQueue queue;
        queue.Configure(4, 16);
        queue.Push(Run(0, 12).data(), 12);
        queue.Push(Run(12, 10).data(), 10);
        QCOMPARE(queue.Held(), 14);
        QCOMPARE(queue.DroppedBytes(), quint64(8));
        std::vector<std::uint8_t> out(32);
        QCOMPARE(queue.Pop(out.data(), 32), 12);
        QCOMPARE(int(out[0]), 8);
        // The odd tail waits for the rest of its frame.
        QCOMPARE(queue.Held(), 2);
    }

    void trimKeepsTheNewest() {
        CPlaybackQueue queue;
        queue.Configure(4, 1000);
        queue.Push(Run(0, 40).data(), 40);
        queue.Trim(10);
        QCOMPARE(queue.Held(), 12);
        std::vector<std::uint8_t> out(4);
        QCOMPARE(queue.Pop(out.data(), 6), 4);
        QCOMPARE(int(out[0]), 28);
        queue.Trim(100);
        QCOMPARE(queue.Held(), 8);
    }
};

KIV_TEST_CLASS(tst_CPlaybackQueue)
#include "tst_CPlaybackQueue.moc"
