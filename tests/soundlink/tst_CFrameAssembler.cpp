#include <QtTest>
#include <vector>

#include "CDeliveredFrames.h"
#include "CFrameAssembler.h"
#include "KivTestRegistry.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Fragment(int index, int count, std::uint32_t sequence, int payload, std::uint8_t fill,
               std::uint32_t magic = MediaFragment::kMagic) {
    Bytes datagram(static_cast<size_t>(MediaFragment::kHeaderBytes + payload), fill);
    MediaFragment header;
    header.magic = magic;
    header.index = static_cast<std::uint16_t>(index);
    header.count = static_cast<std::uint16_t>(count);
    header.sequence = sequence;
    header.flag = 1;
    header.payloadLength = static_cast<std::uint16_t>(payload);
    header.WriteTo(datagram.data());
    return datagram;
}

CFrameAssembler::Result Add(CFrameAssembler& assembler, const Bytes& datagram) {
    return assembler.Add(datagram.data(), static_cast<int>(datagram.size()));
}

}  // namespace

Q_DECLARE_METATYPE(Bytes)

class tst_CFrameAssembler : public QObject {
    Q_OBJECT
private slots:
    void rejects_data() {
        QTest::addColumn<Bytes>("datagram");
        Bytes badMagic = Fragment(0, 1, 0, 100, 1);
        badMagic[0] ^= 0xFF;
        Bytes badLength = Fragment(0, 1, 0, 100, 1);
        badLength[14] = 99;
        QTest::newRow("15 bytes") << Bytes(15, 0);
        QTest::newRow("4097 bytes") << Fragment(0, 1, 0, 4081, 1);
        QTest::newRow("wrong magic") << badMagic;
        QTest::newRow("a copy") << Fragment(0, 1, 0, 100, 1, MediaFragment::kCopyMagic);
        QTest::newRow("length field differs") << badLength;
        QTest::newRow("no payload") << Fragment(0, 1, 0, 0, 1);
        QTest::newRow("count 0") << Fragment(0, 0, 0, 100, 1);
        QTest::newRow("index = count") << Fragment(3, 3, 0, 100, 1);
        QTest::newRow("count past the buffer") << Fragment(100, 101, 0, 100, 1);
        QTest::newRow("short fragment before the last") << Fragment(0, 2, 0, 100, 1);
    }
    void rejects() {
        QFETCH(Bytes, datagram);
        CFrameAssembler assembler;
        QCOMPARE(Add(assembler, datagram), CFrameAssembler::Result::Rejected);
        // A rejected datagram leaves nothing behind.
        QCOMPARE(Add(assembler, Fragment(0, 1, 7, 300, 9)), CFrameAssembler::Result::Complete);
        QCOMPARE(assembler.FrameLength(), 300);
    }

    void threeFragmentsMakeOneFrame() {
        CFrameAssembler assembler;
        // Out of order within the frame, with a repeated fragment.
        QCOMPARE(Add(assembler, Fragment(1, 3, 5, 4080, 0xB)), CFrameAssembler::Result::Pending);
        QCOMPARE(Add(assembler, Fragment(2, 3, 5, 840, 0xC)), CFrameAssembler::Result::Pending);
        QCOMPARE(Add(assembler, Fragment(1, 3, 5, 4080, 0xB)), CFrameAssembler::Result::Pending);
        QCOMPARE(Add(assembler, Fragment(0, 3, 5, 4080, 0xA)), CFrameAssembler::Result::Complete);
        QCOMPARE(assembler.FrameLength(), 9000);
        QVERIFY(assembler.KeyFlag());
        const std::uint8_t* frame = assembler.Frame();
        QCOMPARE(int(frame[0]), 0xA);
        QCOMPARE(int(frame[4079]), 0xA);
        QCOMPARE(int(frame[4080]), 0xB);
        QCOMPARE(int(frame[8160]), 0xC);
        QCOMPARE(int(frame[8999]), 0xC);
        // A late copy does not deliver the frame twice.
        QCOMPARE(Add(assembler, Fragment(2, 3, 5, 840, 0xC)), CFrameAssembler::Result::Pending);
    }

    void partialFramesAreNeverDelivered() {
        CFrameAssembler assembler;
        // Frame 1 loses its first fragment; frame 2 loses its middle one;
        // only the last fragments of both arrive with other frames' bytes
        // in the buffer.
        QCOMPARE(Add(assembler, Fragment(1, 2, 1, 500, 0x1)), CFrameAssembler::Result::Pending);
        QCOMPARE(Add(assembler, Fragment(0, 3, 2, 4080, 0x2)), CFrameAssembler::Result::Pending);
        QCOMPARE(Add(assembler, Fragment(2, 3, 2, 500, 0x2)), CFrameAssembler::Result::Pending);
        QCOMPARE(Add(assembler, Fragment(1, 2, 3, 500, 0x3)), CFrameAssembler::Result::Pending);
        // Single-fragment frames still come through one by one.
        QCOMPARE(Add(assembler, Fragment(0, 1, 4, 300, 0x4)), CFrameAssembler::Result::Complete);
        QCOMPARE(assembler.FrameLength(), 300);
        QCOMPARE(int(assembler.Frame()[299]), 0x4);
    }

    // The copies' assembler takes copies only, so a copy and a first
    // sending of different frames never abandon each other's fragments.
    void theCopiesHaveTheirOwnAssembler() {
        CFrameAssembler copies(MediaFragment::kCopyMagic);
        QCOMPARE(Add(copies, Fragment(0, 2, 4, 4080, 0xA, MediaFragment::kCopyMagic)),
                 CFrameAssembler::Result::Pending);
        QCOMPARE(Add(copies, Fragment(0, 1, 5, 300, 0xB)), CFrameAssembler::Result::Rejected);
        QCOMPARE(Add(copies, Fragment(1, 2, 4, 20, 0xA, MediaFragment::kCopyMagic)),
                 CFrameAssembler::Result::Complete);
        QCOMPARE(copies.Sequence(), 4u);
        QCOMPARE(copies.FrameLength(), 4100);
    }

    // Which frames the transport handed on: each sequence once, across the
    // wrap of the counter; below the window nothing is known.
    void deliveredFrames() {
        using Status = CDeliveredFrames::Status;
        CDeliveredFrames window;
        QCOMPARE(window.Check(0xFFFFFFFEu), Status::New);
        window.Take(0xFFFFFFFEu);
        window.Take(1);
        QCOMPARE(window.Check(0xFFFFFFFEu), Status::Delivered);
        QCOMPARE(window.Check(0xFFFFFFFFu), Status::New);
        QCOMPARE(window.Check(0), Status::New);
        QCOMPARE(window.Check(1), Status::Delivered);
        window.Take(0);
        QCOMPARE(window.Check(0), Status::Delivered);
        window.Take(64);
        QCOMPARE(window.Check(1), Status::Delivered);
        QCOMPARE(window.Check(0), Status::TooOld);
        window.Take(0);
        QCOMPARE(window.Check(64), Status::Delivered);
        QCOMPARE(window.Check(63), Status::New);
        window.Take(1000);
        QCOMPARE(window.Check(999), Status::New);
        QCOMPARE(window.Check(1000), Status::Delivered);
        QCOMPARE(window.Check(64), Status::TooOld);
    }
};

KIV_TEST_CLASS(tst_CFrameAssembler)
#include "tst_CFrameAssembler.moc"
