#include <QRandomGenerator>
#include <QtTest>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "CQorByteStream.h"
#include "CQorSimpleBuffer.h"
#include "KivTestRegistry.h"
#include "QorTestUtil.h"

namespace {

enum Kind { Char, UChar, Short, UShort, Long, ULong };
enum Block { ShortBlock = 1, MediumBlock = 2, LongBlock = 4 };

using ValueTypes = std::tuple<char, unsigned char, short, unsigned short, long, unsigned long>;

// Calls the check with a zero of the value type numbered `kind` in ValueTypes.
template <typename Check, std::size_t... I>
void forValueType(int kind, Check check, std::index_sequence<I...>) {
    ((kind == int(I) ? check(std::tuple_element_t<I, ValueTypes>()) : void()), ...);
}

template <typename Check>
void forValueType(int kind, Check check) {
    forValueType(kind, check, std::make_index_sequence<std::tuple_size_v<ValueTypes>>());
}

void writeBlock(CQorByteStream& stream, int block, const QByteArray& bytes) {
    switch (block) {
        case ShortBlock:
            stream.WriteShortBStream(bytes.constData(), static_cast<unsigned char>(bytes.size()));
            break;
        case MediumBlock:
            stream.WriteMediumBStream(bytes.constData(), static_cast<unsigned short>(bytes.size()));
            break;
        default:
            stream.WriteLongBStream(bytes.constData(), static_cast<quint32>(bytes.size()));
    }
}

quint32 readBlock(CQorByteStream& stream, int block, unsigned char** out, bool copy) {
    switch (block) {
        case ShortBlock:
            return stream.ReadShortBStream(out, copy);
        case MediumBlock:
            return stream.ReadMediumBStream(out, copy);
        default:
            return stream.ReadLongBStream(out, copy);
    }
}

QByteArray pattern(int length) {
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>(i * 7 + 1);
    }
    return bytes;
}

QByteArray written(const CQorByteStream& stream) {
    return QByteArray(static_cast<const char*>(stream.get_data()), static_cast<int>(stream.tell()));
}

}  // namespace

class TstCQorByteStream : public QObject {
    Q_OBJECT

private slots:
    void valueRoundTrip_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qlonglong>("value");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<bool>("buffered");
        struct Row {
            const char* name;
            int kind;
            qlonglong value;
            const char* wire;
        };
        const Row rows[] = {
            {"char A", Char, 'A', "41"},
            {"char min", Char, -128, "80"},
            {"char -1", Char, -1, "ff"},
            {"uchar max", UChar, 255, "ff"},
            {"short 0x1234", Short, 0x1234, "3412"},
            {"short -2", Short, -2, "feff"},
            {"short min", Short, -32768, "0080"},
            {"short max", Short, 32767, "ff7f"},
            {"ushort max", UShort, 0xFFFF, "ffff"},
            {"ushort 0x8001", UShort, 0x8001, "0180"},
            {"long 0x12345678", Long, 0x12345678, "78563412"},
            {"long -1", Long, -1, "ffffffff"},
            {"long min", Long, std::numeric_limits<qint32>::min(), "00000080"},
            {"long max", Long, std::numeric_limits<qint32>::max(), "ffffff7f"},
            {"ulong max", ULong, 0xFFFFFFFFll, "ffffffff"},
            {"ulong top bit", ULong, 0x80000000ll, "00000080"},
            {"ulong 0", ULong, 0, "00000000"},
        };
        for (bool buffered : {false, true}) {
            for (const Row& row : rows) {
                QTest::addRow("%s %s", row.name, buffered ? "buffer" : "memory")
                    << row.kind << row.value << hexBytes(row.wire) << buffered;
            }
        }
    }

    void valueRoundTrip() {
        QFETCH(int, kind);
        QFETCH(qlonglong, value);
        QFETCH(QByteArray, wire);
        QFETCH(bool, buffered);

        forValueType(kind, [&](auto zero) {
            using Value = decltype(zero);
            unsigned char memory[8];
            std::memset(memory, 0xEE, sizeof memory);
            CQorSimpleBuffer buffer;
            CQorByteStream out = buffered ? CQorByteStream(&buffer, 0) : CQorByteStream(memory, 8);
            out << static_cast<Value>(value);
            QCOMPARE(written(out), wire);
            if (!buffered) {
                QCOMPARE(memory[wire.size()], static_cast<unsigned char>(0xEE));
            }
            const auto size = static_cast<unsigned long>(wire.size());
            CQorByteStream in =
                buffered ? CQorByteStream(&buffer, 0) : CQorByteStream(memory, size);
            Value back{};
            in >> back;
            QCOMPARE(static_cast<qlonglong>(back), value);
            QCOMPARE(in.tell(), size);
        });
    }

    void longOutOfRange_data() {
        QTest::addColumn<bool>("isUnsigned");
        QTest::addColumn<qulonglong>("bits");
        QTest::newRow("long 2^31") << false << qulonglong(0x80000000ull);
        QTest::newRow("long -2^31-1") << false << qulonglong(-0x80000001ll);
        QTest::newRow("long max") << false << qulonglong(std::numeric_limits<long>::max());
        QTest::newRow("long min") << false << qulonglong(std::numeric_limits<long>::min());
        QTest::newRow("ulong 2^32") << true << qulonglong(0x100000000ull);
        QTest::newRow("ulong max") << true << qulonglong(std::numeric_limits<unsigned long>::max());
    }

    // The 4 wire bytes cannot carry these; they are refused, not truncated.
    void longOutOfRange() {
        QFETCH(bool, isUnsigned);
        QFETCH(qulonglong, bits);
        unsigned char memory[8];
        std::memset(memory, 0xEE, sizeof memory);
        CQorByteStream stream(memory, sizeof memory);
        stream << 'x';
        if (isUnsigned) {
            const auto value = static_cast<unsigned long>(bits);
            QVERIFY(throwsOne([&] { stream << value; }));
            QVERIFY(throwsOne([&] { CQorByteStream::WriteULong(memory, 4, value); }));
        } else {
            const auto value = static_cast<long>(bits);
            QVERIFY(throwsOne([&] { stream << value; }));
            QVERIFY(throwsOne([&] { CQorByteStream::WriteLong(memory, 4, value); }));
        }
        QCOMPARE(stream.tell(), 1UL);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(memory) + 1, 7), QByteArray(7, '\xEE'));
    }

    void swapReverses_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("reversed");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("1") << hexBytes("01") << hexBytes("01");
        QTest::newRow("2") << hexBytes("0102") << hexBytes("0201");
        QTest::newRow("3") << hexBytes("010203") << hexBytes("030201");
        QTest::newRow("4") << hexBytes("01020304") << hexBytes("04030201");
        QTest::newRow("8") << hexBytes("0102030405060708") << hexBytes("0807060504030201");
    }

    void swapReverses() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, reversed);
        QByteArray value = bytes;
        CQorByteStream::swap(value.data(), static_cast<unsigned long>(value.size()));
        QCOMPARE(value, reversed);
        CQorByteStream::swap(value.data(), static_cast<unsigned long>(value.size()));
        QCOMPARE(value, bytes);
    }

    void hostOrder() {
        QCOMPARE(CQorByteStream::is_little_indian(), Q_BYTE_ORDER == Q_LITTLE_ENDIAN);
        QCOMPARE(CQorByteStream::is_little_indian(), CQorByteStream::is_little_indian());
    }

    void blockRoundTrip_data() {
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("buffered");
        QTest::addColumn<bool>("copy");
        const struct {
            int block;
            int length;
        } rows[] = {{ShortBlock, 0},  {ShortBlock, 1},    {ShortBlock, 255},
                    {MediumBlock, 0}, {MediumBlock, 255}, {MediumBlock, 65535},
                    {LongBlock, 0},   {LongBlock, 1},     {LongBlock, 70000}};
        for (bool buffered : {false, true}) {
            for (bool copy : {false, true}) {
                for (const auto& row : rows) {
                    QTest::addRow("prefix %d length %d %s %s", row.block, row.length,
                                  buffered ? "buffer" : "memory", copy ? "copy" : "in place")
                        << row.block << row.length << buffered << copy;
                }
            }
        }
    }

    void blockRoundTrip() {
        QFETCH(int, block);
        QFETCH(int, length);
        QFETCH(bool, buffered);
        QFETCH(bool, copy);
        const QByteArray payload = pattern(length);
        const auto size = static_cast<unsigned long>(block + length);
        std::vector<unsigned char> memory(size);
        CQorSimpleBuffer buffer;
        CQorByteStream out =
            buffered ? CQorByteStream(&buffer, 0) : CQorByteStream(memory.data(), size);
        writeBlock(out, block, payload);
        QCOMPARE(out.tell(), size);
        const auto* stored = static_cast<const unsigned char*>(out.get_data());
        for (int i = 0; i < block; ++i) {
            QCOMPARE(int(stored[i]), (length >> (8 * i)) & 0xFF);
        }

        CQorByteStream in =
            buffered ? CQorByteStream(&buffer, 0) : CQorByteStream(memory.data(), size);
        unsigned char sentinel = 0;
        unsigned char* result = &sentinel;
        QCOMPARE(readBlock(in, block, &result, copy), static_cast<quint32>(length));
        QCOMPARE(in.tell(), size);
        if (length == 0) {
            QVERIFY(result == nullptr);
            return;
        }
        QCOMPARE(QByteArray(reinterpret_cast<char*>(result), length), payload);
        QCOMPARE(result == stored + block, !copy);
        if (copy) {
            std::free(result);
        }
    }

    void recordOperators() {
        unsigned char bytes[] = {1, 2, 3};
        const ShortBStream shortIn{3, bytes};
        const MediumBStream mediumIn{2, bytes};
        const LongBStream longIn{0, nullptr};
        unsigned char memory[16];
        CQorByteStream out(memory, sizeof memory);
        out << &shortIn << &mediumIn << &longIn;
        QCOMPARE(written(out), hexBytes("03010203"
                                        "02000102"
                                        "00000000"));

        ShortBStream shortOut{};
        MediumBStream mediumOut{};
        LongBStream longOut{9, bytes};
        CQorByteStream in(memory, out.tell());
        in >> &shortOut >> &mediumOut >> &longOut;
        QCOMPARE(int(shortOut.length), 3);
        QCOMPARE(shortOut.data, memory + 1);
        QCOMPARE(int(mediumOut.length), 2);
        QCOMPARE(mediumOut.data, memory + 6);
        QCOMPARE(longOut.length, 0u);
        QVERIFY(longOut.data == nullptr);

        const ShortBStream lying{3, nullptr};
        QVERIFY(throwsOne([&] { out << &lying; }));
        QVERIFY(throwsOne([&] { out << static_cast<const LongBStream*>(nullptr); }));
        QVERIFY(throwsOne([&] { in >> static_cast<MediumBStream*>(nullptr); }));
        QCOMPARE(out.tell(), 12UL);
    }

    void stringRoundTrip_data() {
        QTest::addColumn<bool>("medium");
        QTest::addColumn<bool>("isNull");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("buffered");
        QTest::addColumn<bool>("copy");
        for (bool buffered : {false, true}) {
            for (bool copy : {false, true}) {
                for (bool medium : {false, true}) {
                    const QByteArray longest(medium ? 65534 : 254, 'a');
                    for (const QByteArray& text : {QByteArray(), QByteArray(""), longest}) {
                        QTest::addRow("%s %s%d %s %s", medium ? "medium" : "short",
                                      text.isNull() ? "null " : "", int(text.size()),
                                      buffered ? "buffer" : "memory", copy ? "copy" : "in place")
                            << medium << text.isNull() << text << buffered << copy;
                    }
                }
            }
        }
    }

    void stringRoundTrip() {
        QFETCH(bool, medium);
        QFETCH(bool, isNull);
        QFETCH(QByteArray, text);
        QFETCH(bool, buffered);
        QFETCH(bool, copy);
        const int prefix = medium ? 2 : 1;
        const int stored = isNull ? 0 : text.size() + 1;
        const auto size = static_cast<unsigned long>(prefix + stored);
        std::vector<unsigned char> memory(size);
        CQorSimpleBuffer buffer;
        CQorByteStream out =
            buffered ? CQorByteStream(&buffer, 0) : CQorByteStream(memory.data(), size);
        const char* source = isNull ? nullptr : text.constData();
        medium ? out.WriteMediumString(source) : out.WriteShortString(source);

        QByteArray expected(prefix, '\0');
        expected[0] = static_cast<char>(stored & 0xFF);
        if (medium) {
            expected[1] = static_cast<char>(stored >> 8);
        }
        if (!isNull) {
            expected += text + QByteArray(1, '\0');
        }
        QCOMPARE(written(out), expected);

        CQorByteStream in =
            buffered ? CQorByteStream(&buffer, 0) : CQorByteStream(memory.data(), size);
        char* result = medium ? in.ReadMediumString(copy) : in.ReadShortString(copy);
        QCOMPARE(in.tell(), size);
        if (isNull) {
            QVERIFY(result == nullptr);
            return;
        }
        QCOMPARE(QByteArray(result), text);
        if (copy) {
            std::free(result);
        }
    }

    // Text longer than its length prefix can count is refused, not cut.
    void stringTooLong() {
        const QByteArray text(65535, 'z');
        std::vector<unsigned char> memory(70000, 0xEE);
        CQorByteStream stream(memory.data(), 0);
        QVERIFY(throwsOne([&] { stream.WriteShortString(text.right(255).constData()); }));
        QVERIFY(throwsOne([&] { stream.WriteMediumString(text.constData()); }));
        QCOMPARE(stream.tell(), 0UL);
        QCOMPARE(memory[0], static_cast<unsigned char>(0xEE));
    }

    void capacityFour() {
        unsigned char memory[8];
        std::memset(memory, 0xEE, sizeof memory);
        CQorByteStream out(memory, 4);
        out << 0x01020304L;
        QCOMPARE(out.available(), 0UL);
        QVERIFY(throwsOne([&] { out << 'x'; }));
        QCOMPARE(out.tell(), 4UL);
        QCOMPARE(memory[4], static_cast<unsigned char>(0xEE));

        CQorByteStream in(memory, 4);
        long value = 0;
        char next = 'n';
        in >> value;
        QCOMPARE(value, 0x01020304L);
        QVERIFY(throwsOne([&] { in >> next; }));
        QCOMPARE(next, 'n');
        QCOMPARE(in.tell(), 4UL);
    }

    // A prefixed block is written whole or not at all.
    void writesAreAtomic() {
        unsigned char memory[12];
        std::memset(memory, 0xEE, sizeof memory);
        const unsigned char bytes[8] = {};
        CQorByteStream stream(memory, 10);
        stream.WriteBytes(bytes, 8);
        QVERIFY(throwsOne([&] { stream.WriteBytes(bytes, 3); }));
        QVERIFY(throwsOne([&] { stream.WriteShortBStream(bytes, 2); }));
        QVERIFY(throwsOne([&] { stream.WriteShortString("ab"); }));
        QCOMPARE(stream.tell(), 8UL);
        QCOMPARE(memory[8], static_cast<unsigned char>(0xEE));
        stream.WriteShortBStream(bytes, 1);
        QCOMPARE(stream.available(), 0UL);
    }

    void availableAndSkip() {
        unsigned char memory[16];
        CQorSimpleBuffer buffer;
        QCOMPARE(CQorByteStream(memory, 0).available(), 0xFFFFFFFFUL);
        QCOMPARE(CQorByteStream(&buffer, 0).available(), 0xFFFFFFFFUL);
        QCOMPARE(CQorByteStream(memory, 0x100000005UL).available(), 0xFFFFFFFFUL);

        CQorByteStream unbounded(memory, 0);
        unbounded << 1L;
        QCOMPARE(unbounded.available(), 0xFFFFFFFFUL);

        CQorByteStream bounded(memory, 10);
        bounded << static_cast<short>(1) << 'c';
        QCOMPARE(bounded.available(), 7UL);
        bounded.skip(9);
        QCOMPARE(bounded.tell(), 12UL);
        QCOMPARE(bounded.available(), 0UL);
        char value = 0;
        QVERIFY(throwsOne([&] { bounded >> value; }));
        QCOMPARE(bounded.tell(), 12UL);
    }

    // The 32-bit position never wraps back over earlier bytes.
    void positionCannotWrap() {
        unsigned char memory[4];
        CQorByteStream stream(memory, 0);
        QVERIFY(throwsOne([&] { stream.skip(0x100000000UL); }));
        stream.skip(0xFFFFFFFEUL);
        QVERIFY(throwsOne([&] { stream.WriteBytes(memory, 4); }));
        QVERIFY(throwsOne([&] { stream.skip(2); }));
        stream.skip(1);
        QCOMPARE(stream.tell(), 0xFFFFFFFFUL);
    }

    void nullMemoryRefused() {
        CQorByteStream plain(static_cast<void*>(nullptr), 0);
        QVERIFY(throwsOne([&] { plain << 'x'; }));
        unsigned char byte = 0;
        QVERIFY(throwsOne([&] { plain.ReadBytes(&byte, 1); }));
        CQorByteStream noBuffer(static_cast<CQorSimpleBuffer*>(nullptr), 0);
        QVERIFY(throwsOne([&] { noBuffer.WriteMediumString("x"); }));
        unsigned char memory[4];
        CQorByteStream stream(memory, 4);
        QVERIFY(throwsOne([&] { stream.ReadBytes(nullptr, 1); }));
        QVERIFY(throwsOne([&] { stream.ReadShortBStream(nullptr, 1); }));
        QCOMPARE(stream.tell(), 0UL);
    }

    void hostileInput_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("block");
        QTest::addColumn<bool>("string");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("buffered");
        struct Row {
            const char* name;
            const char* bytes;
            int block;
            bool string;
            bool copy;
        };
        const Row rows[] = {
            {"short block lies", "05616263", ShortBlock, false, true},
            {"short block no prefix", "", ShortBlock, false, false},
            {"medium block lies", "ffff6162", MediumBlock, false, true},
            {"medium prefix cut", "05", MediumBlock, false, false},
            {"long block lies", "ffffffff61", LongBlock, false, true},
            {"long block one short", "04000000616263", LongBlock, false, false},
            {"long prefix cut", "010000", LongBlock, false, true},
            {"short string lies", "0a6162", ShortBlock, true, true},
            {"medium string lies", "100061", MediumBlock, true, false},
            {"unterminated in place", "03616263", ShortBlock, true, false},
            {"unterminated medium in place", "0300616263", MediumBlock, true, false},
        };
        for (bool buffered : {false, true}) {
            for (const Row& row : rows) {
                QTest::addRow("%s %s", row.name, buffered ? "buffer" : "memory")
                    << hexBytes(row.bytes) << row.block << row.string << row.copy << buffered;
            }
        }
    }

    // Bytes from outside, in memory of exactly their size: refused, never read past.
    void hostileInput() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, block);
        QFETCH(bool, string);
        QFETCH(bool, copy);
        QFETCH(bool, buffered);
        std::vector<unsigned char> memory(bytes.begin(), bytes.end());
        CQorSimpleBuffer buffer;
        buffer.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        CQorByteStream in =
            buffered ? CQorByteStream(&buffer, 0) : CQorByteStream(memory.data(), memory.size());
        unsigned char sentinel = 0;
        unsigned char* out = &sentinel;
        QVERIFY(throwsOne([&] {
            if (!string) {
                readBlock(in, block, &out, copy);
            } else if (block == ShortBlock) {
                in.ReadShortString(copy);
            } else {
                in.ReadMediumString(copy);
            }
        }));
        QCOMPARE(in.tell(), 0UL);
        QCOMPARE(out, &sentinel);
        QCOMPARE(buffer.GetReadPos(), std::size_t(0));
    }

    void unterminatedCopyIsTerminated() {
        std::vector<unsigned char> memory{0x03, 'a', 'b', 'c'};
        CQorByteStream in(memory.data(), memory.size());
        char* text = in.ReadShortString(1);
        QCOMPARE(QByteArray(text), QByteArray("abc"));
        QCOMPARE(in.tell(), 4UL);
        std::free(text);
    }

    // Random bytes read as random items from exact-size memory (run it under ASan).
    void randomBytesNeverOverrun() {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 3000; ++round) {
            std::vector<unsigned char> memory(random.bounded(1, 24));
            for (unsigned char& byte : memory) {
                byte = static_cast<unsigned char>(random.bounded(256));
            }
            CQorByteStream in(memory.data(), memory.size());
            for (;;) {
                const unsigned long before = in.tell();
                const int op = random.bounded(6);
                const bool copy = random.bounded(2) == 1;
                void* result = nullptr;
                const bool refused = throwsOne([&] {
                    if (op < 3) {
                        unsigned char* block = nullptr;
                        readBlock(in, 1 << op, &block, copy);
                        result = block;
                    } else if (op < 5) {
                        result = op == 3 ? in.ReadShortString(copy) : in.ReadMediumString(copy);
                    } else {
                        long value = 0;
                        in >> value;
                    }
                });
                if (copy) {
                    std::free(result);
                }
                if (refused) {
                    QCOMPARE(in.tell(), before);
                    break;
                }
                QVERIFY(in.tell() <= memory.size());
            }
        }
    }

    void resetStartsOver() {
        CQorSimpleBuffer buffer;
        CQorByteStream buffered(&buffer, 0);
        buffered << 7L;
        buffered.reset(nullptr, 0);
        QCOMPARE(buffered.tell(), 0UL);
        QCOMPARE(buffer.GetWritePos(), std::size_t(0));
        QCOMPARE(buffer.GetReadPos(), std::size_t(0));

        unsigned char first[4];
        unsigned char second[2];
        CQorByteStream plain(first, 4);
        plain << 7L;
        plain.reset(second, 2);
        QCOMPARE(plain.get_data(), static_cast<void*>(second));
        plain << static_cast<short>(0x1234);
        QVERIFY(throwsOne([&] { plain << 'x'; }));
        QCOMPARE(second[0], static_cast<unsigned char>(0x34));
    }

    void bufferGrowsAndBoundsReads() {
        CQorSimpleBuffer buffer;
        CQorByteStream out(&buffer, 0);
        const QByteArray chunk = pattern(1000);
        for (int i = 0; i < 100; ++i) {
            out.WriteBytes(chunk.constData(), 1000);
        }
        QCOMPARE(out.tell(), 100000UL);
        QCOMPARE(out.get_data(), static_cast<void*>(buffer.GetData()));

        CQorByteStream in(&buffer, 0);
        QByteArray back(100000, '\0');
        in.ReadBytes(back.data(), 100000);
        QCOMPARE(back, chunk.repeated(100));
        QVERIFY(throwsOne([&] { in.ReadBytes(back.data(), 1); }));
        QVERIFY(throwsOne([&] { in.skip(1); }));
        QCOMPARE(in.tell(), 100000UL);
    }

    // A block read in place from a buffer can be written back to it while it grows.
    void inPlaceBlockWrittenToOwnBuffer() {
        CQorSimpleBuffer buffer;
        CQorByteStream out(&buffer, 0);
        const QByteArray payload = pattern(50);
        out.WriteMediumBStream(payload.constData(), 50);
        CQorByteStream in(&buffer, 0);
        for (int i = 0; i < 40; ++i) {
            unsigned char* block = nullptr;
            QCOMPARE(int(in.ReadMediumBStream(&block, 0)), 50);
            QCOMPARE(QByteArray(reinterpret_cast<char*>(block), 50), payload);
            out.WriteMediumBStream(block, 50);
        }
    }
};

KIV_TEST_CLASS(TstCQorByteStream)
#include "tst_CQorByteStream.moc"
