#include <QtTest>

#include "CQorSimpleBuffer.h"
#include "KivTestRegistry.h"

class TstCQorSimpleBuffer : public QObject {
    Q_OBJECT

private slots:
    void growsGeometrically() {
        CQorSimpleBuffer buffer;
        QCOMPARE(buffer.GetCapacity(), std::size_t(0));
        const char byte = 'x';
        QVERIFY(buffer.Write(&byte, 1));
        QCOMPARE(buffer.GetCapacity(), std::size_t(64));
        std::size_t growths = 0;
        std::size_t capacity = buffer.GetCapacity();
        for (int i = 1; i < 100000; ++i) {
            QVERIFY(buffer.Write(&byte, 1));
            if (buffer.GetCapacity() != capacity) {
                QCOMPARE(buffer.GetCapacity(), capacity * 2);
                capacity = buffer.GetCapacity();
                ++growths;
            }
        }
        QCOMPARE(capacity, std::size_t(131072));
        QCOMPARE(growths, std::size_t(11));
        QVERIFY(buffer.Reserve(1000000));
        QCOMPARE(buffer.GetCapacity(), std::size_t(1048576));
    }

    void readsOnlyWrittenBytes() {
        CQorSimpleBuffer buffer;
        QVERIFY(buffer.Write("abcdef", 6));
        char out[8] = {};
        QVERIFY(buffer.Read(out, 4));
        QCOMPARE(QByteArray(out, 4), QByteArray("abcd"));
        QCOMPARE(buffer.GetReadable(), std::size_t(2));
        QVERIFY(!buffer.Read(out, 3));
        QVERIFY(!buffer.SkipRead(3));
        QCOMPARE(buffer.GetReadPos(), std::size_t(4));
        QVERIFY(buffer.SkipRead(2));
        QVERIFY(!buffer.Write(nullptr, 1));
        QCOMPARE(buffer.GetWritePos(), std::size_t(6));
        buffer.Reset();
        QCOMPARE(buffer.GetReadPos() + buffer.GetWritePos(), std::size_t(0));
        QCOMPARE(buffer.GetCapacity(), std::size_t(64));
    }

    // Appending the buffer's own bytes while it grows copies them from their new place.
    void appendsOwnBytes() {
        CQorSimpleBuffer buffer;
        QByteArray expected;
        for (int i = 0; i < 64; ++i) {
            expected += static_cast<char>(i);
        }
        QVERIFY(buffer.Write(expected.constData(), 64));
        for (int i = 0; i < 6; ++i) {
            QVERIFY(buffer.Write(buffer.GetData(), buffer.GetWritePos()));
            expected += expected;
        }
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buffer.GetData()),
                            static_cast<int>(buffer.GetWritePos())),
                 expected);
        QVERIFY(buffer.Contains(buffer.GetData() + 5));
        QVERIFY(!buffer.Contains(expected.constData()));
    }
};

KIV_TEST_CLASS(TstCQorSimpleBuffer)
#include "tst_CQorSimpleBuffer.moc"
