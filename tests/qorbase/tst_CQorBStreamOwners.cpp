#include <QtTest>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <vector>

#include "CLongBStream.h"
#include "CMediumBStream.h"
#include "CQorByteStream.h"
#include "CShortBStream.h"
#include "KivTestRegistry.h"

namespace {

template <typename T>
struct Tag {
    using type = T;
};

// Runs a generic check with the owning class named by the "kind" column.
template <typename Check>
void forKind(const QString& kind, Check check) {
    if (kind == QLatin1String("short")) {
        check(Tag<CShortBStream>());
    } else if (kind == QLatin1String("medium")) {
        check(Tag<CMediumBStream>());
    } else {
        check(Tag<CLongBStream>());
    }
}

void addKinds() {
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"short", "medium", "long"}) {
        QTest::newRow(kind) << QString::fromLatin1(kind);
    }
}

template <typename Owner>
QByteArray bytesOf(const Owner& owner) {
    return QByteArray(reinterpret_cast<const char*>(owner.GetData()),
                      static_cast<int>(owner.Length()));
}

template <typename Owner>
Owner make(const QByteArray& bytes) {
    using Length = typename Owner::LengthType;
    return Owner(bytes.constData(), static_cast<Length>(bytes.size()));
}

// The largest block of the kind, or a large one for the 32-bit kind.
template <typename Owner>
int largest() {
    using Length = typename Owner::LengthType;
    return sizeof(Length) < 4 ? int(std::numeric_limits<Length>::max()) : 100000;
}

}  // namespace

class TstCQorBStreamOwners : public QObject {
    Q_OBJECT

private slots:
    void setAndAlloc_data() { addKinds(); }
    void setAndAlloc() {
        QFETCH(QString, kind);
        forKind(kind, [](auto tag) {
            using Owner = typename decltype(tag)::type;
            using Length = typename Owner::LengthType;
            QByteArray source(largest<Owner>(), 'q');
            Owner owner;
            QVERIFY(owner.IsEmpty());
            QVERIFY(owner.Set(source.constData(), static_cast<Length>(source.size())));
            source[0] = 'x';
            QCOMPARE(int(owner.Length()), source.size());
            QCOMPARE(owner.GetData()[0], static_cast<unsigned char>('q'));

            QVERIFY(owner.Set(owner.GetData() + 1, 3));
            QCOMPARE(bytesOf(owner), QByteArray("qqq"));
            QVERIFY(owner.Alloc(5));
            QCOMPARE(bytesOf(owner), QByteArray("qqq\0\0", 5));
            QVERIFY(owner.Alloc(2));
            QCOMPARE(bytesOf(owner), QByteArray("qq"));

            QVERIFY(owner.Set(nullptr, 3));
            QVERIFY(owner.IsEmpty());
            QVERIFY(owner.GetData() == nullptr);
            QVERIFY(owner.Set("ab", 2));
            QVERIFY(owner.Set("ab", 0));
            QVERIFY(owner.IsEmpty());
            QVERIFY(owner.Alloc(4));
            QVERIFY(owner.Alloc(0));
            QVERIFY(owner.GetData() == nullptr);
        });
    }

    void copiesAreDeep_data() { addKinds(); }
    void copiesAreDeep() {
        QFETCH(QString, kind);
        forKind(kind, [](auto tag) {
            using Owner = typename decltype(tag)::type;
            auto original = std::make_unique<Owner>(make<Owner>("block"));
            const Owner copy(*original);
            Owner assigned = make<Owner>("other");
            assigned = *original;
            QVERIFY(copy.GetData() != original->GetData());
            QVERIFY(assigned.GetData() != original->GetData());
            original.reset();
            QCOMPARE(bytesOf(copy), QByteArray("block"));
            QCOMPARE(bytesOf(assigned), QByteArray("block"));

            Owner& alias = assigned;
            assigned = alias;
            QCOMPARE(bytesOf(assigned), QByteArray("block"));

            Owner moved(std::move(assigned));
            QCOMPARE(bytesOf(moved), QByteArray("block"));
            QVERIFY(assigned.IsEmpty());
            const Owner empty;
            moved = empty;
            QVERIFY(moved.IsEmpty());
        });
    }

    void compare_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("right");
        QTest::addColumn<int>("order");
        const struct {
            const char* name;
            const char* left;
            const char* right;
            int order;
        } rows[] = {{"equal", "abc", "abc", 0},           {"both empty", "", "", 0},
                    {"smaller byte", "abc", "abd", -1},   {"prefix first", "ab", "abc", -1},
                    {"empty first", "", "a", -1},         {"byte beats length", "b", "abc", 1},
                    {"unsigned bytes", "\x80", "\x7f", 1}};
        for (const char* kind : {"short", "medium", "long"}) {
            for (const auto& row : rows) {
                QTest::addRow("%s %s", kind, row.name)
                    << QString::fromLatin1(kind) << QByteArray(row.left) << QByteArray(row.right)
                    << row.order;
            }
        }
    }

    void compare() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, right);
        QFETCH(int, order);
        forKind(kind, [&](auto tag) {
            using Owner = typename decltype(tag)::type;
            const Owner a = make<Owner>(left);
            const Owner b = make<Owner>(right);
            QCOMPARE(a.Compare(b), order);
            QCOMPARE(b.Compare(a), -order);
            QCOMPARE(a == b, order == 0);
            QCOMPARE(a != b, order != 0);
            QCOMPARE(a < b, order < 0);
            QCOMPARE(a <= b, order <= 0);
            QCOMPARE(a > b, order > 0);
            QCOMPARE(a >= b, order >= 0);
        });
    }

    void appendLong() {
        CLongBStream block = make<CLongBStream>("abc");
        block += make<CLongBStream>("de");
        QCOMPARE(bytesOf(block), QByteArray("abcde"));
        block += CLongBStream();
        QCOMPARE(bytesOf(block), QByteArray("abcde"));
        block += block;
        QCOMPARE(bytesOf(block), QByteArray("abcdeabcde"));
        CLongBStream empty;
        empty += block;
        QCOMPARE(empty, block);
        QVERIFY(empty.GetData() != block.GetData());
    }

    void streamRoundTrip_data() { addKinds(); }
    void streamRoundTrip() {
        QFETCH(QString, kind);
        forKind(kind, [](auto tag) {
            using Owner = typename decltype(tag)::type;
            QByteArray bytes(largest<Owner>(), '\0');
            for (int i = 0; i < bytes.size(); ++i) {
                bytes[i] = static_cast<char>(i % 251);
            }
            const Owner original = make<Owner>(bytes);
            std::vector<unsigned char> memory(sizeof(typename Owner::LengthType) + bytes.size());
            CQorByteStream out(memory.data(), memory.size());
            out << original.GetBStream();
            QCOMPARE(out.available(), 0UL);

            CQorByteStream in(memory.data(), memory.size());
            typename std::remove_const_t<std::remove_pointer_t<decltype(original.GetBStream())>>
                record{};
            in >> &record;
            Owner back;
            QVERIFY(back.Set(record.data, record.length));
            QCOMPARE(back, original);
        });
    }
};

KIV_TEST_CLASS(TstCQorBStreamOwners)
#include "tst_CQorBStreamOwners.moc"
