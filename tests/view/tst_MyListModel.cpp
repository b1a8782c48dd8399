#include <QSignalSpy>
#include <QtTest>

#include "KivTestRegistry.h"
#include "MyListModel.h"

class tst_MyListModel : public QObject {
    Q_OBJECT

    static QList<QStringList> rowsOf(const QStringList& names) {
        QList<QStringList> rows;
        for (const QString& name : names) {
            rows.append({name, QStringLiteral("image/head/head_1.png"), QStringLiteral("sign")});
        }
        return rows;
    }

    static QStringList namesOf(const MyListModel& model) {
        QStringList names;
        for (const QStringList& row : model.rows()) {
            names << row.value(0);
        }
        return names;
    }

private slots:
    void insertBracketsCopies() {
        MyListModel model;
        model.getData(rowsOf({QStringLiteral("a"), QStringLiteral("b")}));
        QSignalSpy before(&model, &QAbstractItemModel::rowsAboutToBeInserted);
        QSignalSpy after(&model, &QAbstractItemModel::rowsInserted);
        // The rows must not be there yet while observers prepare.
        int seenDuringAnnounce = -1;
        connect(&model, &QAbstractItemModel::rowsAboutToBeInserted, this,
                [&] { seenDuringAnnounce = model.rowCount(); });

        QVERIFY(model.insertRows(1, 2, {QStringLiteral("x"), QStringLiteral("p")}));
        QCOMPARE(before.count(), 1);
        QCOMPARE(after.count(), 1);
        QCOMPARE(before.at(0).at(1).toInt(), 1);
        QCOMPARE(before.at(0).at(2).toInt(), 2);
        QCOMPARE(seenDuringAnnounce, 2);
        QCOMPARE(namesOf(model), (QStringList{"a", "x", "x", "b"}));
        QCOMPARE(model.data(model.index(2)).toStringList(),
                 (QStringList{QStringLiteral("x"), QStringLiteral("p")}));
    }

    void refusedEdits_data() {
        QTest::addColumn<bool>("insert");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("count");
        QTest::newRow("insert before start") << true << -1 << 1;
        QTest::newRow("insert past end") << true << 4 << 1;
        QTest::newRow("insert negative count") << true << 0 << -1;
        QTest::newRow("remove before start") << false << -1 << 1;
        QTest::newRow("remove reaching past end") << false << 2 << 2;
        QTest::newRow("remove starting past end") << false << 4 << 0;
        QTest::newRow("remove negative count") << false << 1 << -1;
        QTest::newRow("remove huge count") << false << 1 << std::numeric_limits<int>::max();
    }
    void refusedEdits() {
        QFETCH(bool, insert);
        QFETCH(int, row);
        QFETCH(int, count);
        MyListModel model;
        model.getData(rowsOf({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        QSignalSpy inserting(&model, &QAbstractItemModel::rowsAboutToBeInserted);
        QSignalSpy removing(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
        const bool done = insert ? model.insertRows(row, count, {QStringLiteral("x")})
                                 : model.removeRows(row, count);
        QVERIFY(!done);
        QCOMPARE(inserting.count(), 0);
        QCOMPARE(removing.count(), 0);
        QCOMPARE(namesOf(model), (QStringList{"a", "b", "c"}));
    }

    void removeBrackets_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("left");
        const QStringList abc{"a", "b", "c"};
        QTest::newRow("middle") << abc << 1 << 1 << QStringList{"a", "c"};
        QTest::newRow("tail") << abc << 1 << 2 << QStringList{"a"};
        QTest::newRow("all") << abc << 0 << 3 << QStringList{};
        QTest::newRow("empty range inside") << abc << 1 << 0 << abc;
        QTest::newRow("empty range at end") << abc << 3 << 0 << abc;
        QTest::newRow("empty range of empty list") << QStringList{} << 0 << 0 << QStringList{};
    }
    void removeBrackets() {
        QFETCH(QStringList, names);
        QFETCH(int, row);
        QFETCH(int, count);
        QFETCH(QStringList, left);
        MyListModel model;
        model.getData(rowsOf(names));
        QSignalSpy before(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
        QSignalSpy after(&model, &QAbstractItemModel::rowsRemoved);
        QVERIFY(model.removeRows(row, count));
        QCOMPARE(before.count(), 1);
        QCOMPARE(after.count(), 1);
        QCOMPARE(after.at(0).at(1).toInt(), row);
        QCOMPARE(after.at(0).at(2).toInt(), row + count - 1);
        QCOMPARE(namesOf(model), left);
        QCOMPARE(model.rowCount(), left.size());
    }

    void emptyInsertStillBracketed() {
        MyListModel model;
        QSignalSpy before(&model, &QAbstractItemModel::rowsAboutToBeInserted);
        QSignalSpy after(&model, &QAbstractItemModel::rowsInserted);
        QVERIFY(model.insertRows(0, 0, {QStringLiteral("x")}));
        QCOMPARE(before.count(), 1);
        QCOMPARE(after.count(), 1);
        QCOMPARE(model.rowCount(), 0);
    }

    void dataOutsideIsInvalid() {
        MyListModel model;
        model.getData(rowsOf({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        const QModelIndex last = model.index(2);
        QVERIFY(model.data(last).isValid());
        QVERIFY(!model.data(last, Qt::DecorationRole).isValid());
        QVERIFY(!model.data(QModelIndex()).isValid());
        QVERIFY(!model.data(model.index(3)).isValid());

        MyListModel other;
        other.getData(rowsOf(
            {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));
        QVERIFY(!model.data(other.index(3)).isValid());

        // A plain index kept across a removal points past the end now.
        QVERIFY(model.removeRows(0, 2));
        QVERIFY(!model.data(last).isValid());
        QCOMPARE(model.rowCount(model.index(0)), 0);
    }

    void getDataResets() {
        MyListModel model;
        model.getData(rowsOf({QStringLiteral("a")}));
        QSignalSpy before(&model, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy after(&model, &QAbstractItemModel::modelReset);
        model.getData(rowsOf({QStringLiteral("b"), QStringLiteral("c")}));
        QCOMPARE(before.count(), 1);
        QCOMPARE(after.count(), 1);
        QCOMPARE(namesOf(model), (QStringList{"b", "c"}));
    }
};

KIV_TEST_CLASS(tst_MyListModel)
#include "tst_MyListModel.moc"
