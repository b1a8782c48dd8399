#include <QRandomGenerator>
#include <QtTest>
#include <cstring>
#include <vector>

#include "CKivRecordCutter.h"
#include "KivTestRegistry.h"

namespace {

QByteArray record(quint32 length, quint32 command, quint32 magic = 0x1D1E1F1C) {
    QByteArray bytes(static_cast<int>(length), '\0');
    const quint32 words[] = {length, command, magic, length, 0};
    std::memcpy(bytes.data(), words, std::min<size_t>(sizeof(words), length));
    for (int i = 20; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>('a' + (i + command) % 26);
    }
    return bytes;
}

// Feeds the stream in the given chunk sizes (the last size repeats) and
// collects every delivered record, checking the zero padding on the way.
struct CutResult {
    QList<QByteArray> records;
    bool broken = false;
};

CutResult cut(const QByteArray& stream, const QList<int>& chunks) {
    CKivRecordCutter cutter;
    CutResult result;
    int offset = 0;
    int index = 0;
    while (offset < stream.size() && !result.broken) {
        const int size = std::min(chunks.at(std::min(index++, chunks.size() - 1)),
                                  static_cast<int>(stream.size()) - offset);
        if (!cutter.append(stream.constData() + offset, size)) {
            result.broken = true;
            break;
        }
        offset += size;
        for (;;) {
            const auto status = cutter.next();
            if (status == CKivRecordCutter::Status::Broken) {
                result.broken = true;
                break;
            }
            if (status == CKivRecordCutter::Status::NeedMore) {
                break;
            }
            const int length = cutter.recordLength();
            result.records.append(QByteArray(cutter.record(), length));
            const char* tail = cutter.record() + length;
            const int tailSize = CKivRecordCutter::kDeliveryCapacity - length;
            if (std::count(tail, tail + tailSize, '\0') != tailSize) {
                qWarning("delivery buffer not zero past the record");
                result.broken = true;
                return result;
            }
        }
    }
    return result;
}

}  // namespace

class TestRecordCutter : public QObject {
    Q_OBJECT

private slots:
    void cutsStream_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<int>>("chunks");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::addColumn<bool>("broken");

        const QByteArray small = record(24, 10000);
        const QByteArray chat = record(1052, 15);
        const QByteArray list = record(8216, 13);
        const QByteArray biggest = record(16384, 99);

        QTest::newRow("one record, one read")
            << chat << QList<int>{16384} << QList<QByteArray>{chat} << false;
        QTest::newRow("three records in one read") << small + chat + list << QList<int>{16384}
                                                   << QList<QByteArray>{small, chat, list} << false;
        QTest::newRow("split byte by byte")
            << chat + small << QList<int>{1} << QList<QByteArray>{chat, small} << false;
        QTest::newRow("split inside the header") << small + chat << QList<int>{3, 7, 30, 16384}
                                                 << QList<QByteArray>{small, chat} << false;
        QTest::newRow("largest record across reads")
            << biggest + small << QList<int>{10000, 6000, 408} << QList<QByteArray>{biggest, small}
            << false;
        QTest::newRow("short after long keeps zero tail")
            << list + small + chat + small << QList<int>{16384}
            << QList<QByteArray>{list, small, chat, small} << false;
        QTest::newRow("each read one whole record, long then short")
            << list + small + chat + small << QList<int>{8216, 24, 1052, 24}
            << QList<QByteArray>{list, small, chat, small} << false;
        QTest::newRow("whole record first, the rest pending")
            << chat + small + chat << QList<int>{1062, 1066} << QList<QByteArray>{chat, small, chat}
            << false;
        QTest::newRow("incomplete record stays pending")
            << small + chat.left(500) << QList<int>{16384} << QList<QByteArray>{small} << false;

        QTest::newRow("one signature byte suffices")
            << record(30, 15, 0xFFFFFF1C) + record(30, 16, 0x1DFFFFFF) << QList<int>{16384}
            << QList<QByteArray>{record(30, 15, 0xFFFFFF1C), record(30, 16, 0x1DFFFFFF)} << false;
        QTest::newRow("bad signature after a good record")
            << small + record(40, 15, 0x01020304) << QList<int>{16384} << QList<QByteArray>{small}
            << true;
        QTest::newRow("bad signature judged before the body arrives")
            << record(9000, 15, 0) << QList<int>{12} << QList<QByteArray>{} << true;
        QTest::newRow("length below header")
            << record(19, 15) + chat << QList<int>{16384} << QList<QByteArray>{} << true;
        QTest::newRow("length zero")
            << QByteArray(64, '\0') << QList<int>{16384} << QList<QByteArray>{} << true;
        QTest::newRow("length above delivery buffer")
            << record(20, 1).replace(0, 4, QByteArray::fromHex("01400000")) << QList<int>{4}
            << QList<QByteArray>{} << true;
    }

    void cutsStream() {
        QFETCH(QByteArray, stream);
        QFETCH(QList<int>, chunks);
        QFETCH(QList<QByteArray>, expected);
        QFETCH(bool, broken);

        const CutResult result = cut(stream, chunks);
        QCOMPARE(result.records, expected);
        QCOMPARE(result.broken, broken);
    }

    void refusesMorePendingThanItHolds() {
        CKivRecordCutter cutter;
        const QByteArray chunk(CKivRecordCutter::kPendingCapacity / 2, 'x');
        QVERIFY(cutter.append(chunk.constData(), chunk.size()));
        QVERIFY(cutter.append(chunk.constData(), chunk.size()));
        QVERIFY(!cutter.append("y", 1));
        QVERIFY(cutter.broken());
        QCOMPARE(cutter.next(), CKivRecordCutter::Status::Broken);

        cutter.clear();
        const QByteArray small = record(24, 10000);
        QVERIFY(cutter.append(small.constData(), small.size()));
        QCOMPARE(cutter.next(), CKivRecordCutter::Status::Delivered);
    }

    void keepsOrderWhenReadsComeBeforeCutting() {
        // The first read is not cut yet when the second arrives: its bytes
        // must be kept before the second's, neither lost nor overtaken.
        CKivRecordCutter cutter;
        const QByteArray first = record(1052, 15);
        const QByteArray second = record(24, 10000);
        QVERIFY(cutter.append(first.constData(), first.size()));
        QVERIFY(cutter.append(second.constData(), second.size()));
        QCOMPARE(cutter.next(), CKivRecordCutter::Status::Delivered);
        QCOMPARE(QByteArray(cutter.record(), cutter.recordLength()), first);
        QCOMPARE(cutter.next(), CKivRecordCutter::Status::Delivered);
        QCOMPARE(QByteArray(cutter.record(), cutter.recordLength()), second);
        QCOMPARE(cutter.next(), CKivRecordCutter::Status::NeedMore);
        QCOMPARE(cutter.pending(), 0);
    }

    void appendsWithoutCuttingKeepEveryByte() {
        // Reads that end inside records, appended before anything is cut.
        const QByteArray stream = record(1052, 15) + record(24, 10000) + record(8216, 13);
        CKivRecordCutter cutter;
        QVERIFY(cutter.append(stream.constData(), 1500));
        QVERIFY(cutter.append(stream.constData() + 1500, 3));
        QVERIFY(cutter.append(stream.constData() + 1503, stream.size() - 1503));
        QList<QByteArray> records;
        while (cutter.next() == CKivRecordCutter::Status::Delivered) {
            records.append(QByteArray(cutter.record(), cutter.recordLength()));
        }
        QCOMPARE(records,
                 (QList<QByteArray>{record(1052, 15), record(24, 10000), record(8216, 13)}));
        QCOMPARE(cutter.pending(), 0);
    }

    // Records of every size fed in reads of every size, sometimes two reads
    // before any cutting: each record comes out once, whole and in order.
    void cutsRandomReadsOfRandomRecords_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
        }
    }
    void cutsRandomReadsOfRandomRecords() {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        QList<QByteArray> expected;
        QByteArray stream;
        for (int i = 0; i < 300; ++i) {
            const quint32 size =
                random.bounded(3) == 0 ? 20 + random.bounded(16365u) : 20 + random.bounded(1200u);
            expected.append(record(size, static_cast<quint32>(i)));
            stream += expected.last();
        }
        CKivRecordCutter cutter;
        QList<QByteArray> records;
        QByteArray held;  // a read appended but not cut yet stays alive
        for (int offset = 0; offset < stream.size();) {
            const int room = CKivRecordCutter::kPendingCapacity - cutter.pending();
            const int size = std::min({1 + static_cast<int>(random.bounded(20000u)),
                                       static_cast<int>(stream.size()) - offset, room});
            QByteArray read = stream.mid(offset, size);
            QVERIFY(cutter.append(read.constData(), read.size()));
            offset += size;
            if (random.bounded(4) == 0 && offset < stream.size() && room - size > 20000) {
                held = read;
                continue;
            }
            for (;;) {
                const auto status = cutter.next();
                QVERIFY(status != CKivRecordCutter::Status::Broken);
                if (status == CKivRecordCutter::Status::NeedMore) {
                    break;
                }
                records.append(QByteArray(cutter.record(), cutter.recordLength()));
            }
            held.clear();
        }
        QCOMPARE(records.size(), expected.size());
        QVERIFY(records == expected);
        QCOMPARE(cutter.pending(), 0);
    }

    void compactsPendingBytesWithoutLosingThem() {
        // Many reads that each leave part of a record behind force the pending
        // bytes to move to the front of the buffer again and again.
        QByteArray stream;
        QList<QByteArray> expected;
        for (int i = 0; i < 200; ++i) {
            expected.append(record(static_cast<quint32>(20 + (i * 977) % 9000), i));
            stream += expected.last();
        }
        QCOMPARE(cut(stream, QList<int>{16384, 13, 16001, 7777}).records, expected);
    }
};

KIV_TEST_CLASS(TestRecordCutter)
#include "tst_CKivRecordCutter.moc"
