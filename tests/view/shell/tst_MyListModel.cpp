#include <QSignalSpy>
#include <QtTest>

#include "KivTestRegistry.h"
#include "shell/MyListModel.h"

class tst_MyListModel : public QObject {
    Q_OBJECT

    static MyListModel* filled(const QStringList& names) {
        auto* model = new MyListModel;
        QList<QStringList> rows;
        for (const QString& name : names) {
            rows.append({name, QStringLiteral("head.png"), QStringLiteral("sign")});
        }
        model->getData(rows);
        return model;
    }

    static QStringList namesOf(const MyListModel& model) {
        QStringList names;
        for (const QStringList& row : model.rows()) {
            names << row.value(0);
        }
        return names;
    }

private slots:
    void edits_data() {
        QTest::addColumn<bool>("insert");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("done");
        QTest::addColumn<QStringList>("left");
        const QStringList abc{"a", "b", "c"};
        QTest::newRow("insert copies")
            << true << 1 << 2 << true << QStringList{"a", "x", "x", "b", "c"};
        QTest::newRow("insert at end") << true << 3 << 1 << true << QStringList{"a", "b", "c", "x"};
        QTest::newRow("insert nothing") << true << 1 << 0 << true << abc;
        QTest::newRow("insert before start") << true << -1 << 1 << false << abc;
        QTest::newRow("insert past end") << true << 4 << 1 << false << abc;
        QTest::newRow("insert negative") << true << 0 << -1 << false << abc;
        QTest::newRow("remove middle") << false << 1 << 1 << true << QStringList{"a", "c"};
        QTest::newRow("remove all") << false << 0 << 3 << true << QStringList{};
        QTest::newRow("remove empty range") << false << 1 << 0 << true << abc;
        QTest::newRow("remove empty range at end") << false << 3 << 0 << true << abc;
        QTest::newRow("remove before start") << false << -1 << 1 << false << abc;
        QTest::newRow("remove past end") << false << 2 << 2 << false << abc;
        QTest::newRow("remove huge") << false << 1 << INT_MAX << false << abc;
        QTest::newRow("remove negative") << false << 1 << -1 << false << abc;
    }
    void edits() {
        QFETCH(bool, insert);
        QFETCH(int, row);
        QFETCH(int, count);
        QFETCH(bool, done);
        QFETCH(QStringList, left);
        std::unique_ptr<MyListModel> model(filled({"a", "b", "c"}));
        QSignalSpy before(model.get(), insert ? &QAbstractItemModel::rowsAboutToBeInserted
                                              : &QAbstractItemModel::rowsAboutToBeRemoved);
        QSignalSpy after(model.get(), insert ? &QAbstractItemModel::rowsInserted
                                             : &QAbstractItemModel::rowsRemoved);
        int rowsSeenBefore = -1;
        connect(model.get(),
                insert ? &QAbstractItemModel::rowsAboutToBeInserted
                       : &QAbstractItemModel::rowsAboutToBeRemoved,
                this, [&] { rowsSeenBefore = model->rowCount(); });
        QCOMPARE(insert ? model->insertRows(row, count, {QStringLiteral("x")})
                        : model->removeRows(row, count),
                 done);
        QCOMPARE(namesOf(*model), left);
        // Accepted edits are bracketed, empty ones too; refused ones announce nothing.
        QCOMPARE(before.count(), done ? 1 : 0);
        QCOMPARE(after.count(), done ? 1 : 0);
        if (done) {
            QCOMPARE(rowsSeenBefore, 3);
            QCOMPARE(after.at(0).at(1).toInt(), row);
            QCOMPARE(after.at(0).at(2).toInt(), row + count - 1);
        }
    }

    void dataOutsideIsInvalid() {
        std::unique_ptr<MyListModel> model(filled({"a", "b", "c"}));
        std::unique_ptr<MyListModel> other(filled({"a", "b", "c", "d"}));
        const QModelIndex last = model->index(2);
        QCOMPARE(model->data(last).toStringList().value(0), QStringLiteral("c"));
        QVERIFY(!model->data(last, Qt::DecorationRole).isValid());
        QVERIFY(!model->data(QModelIndex()).isValid());
        QVERIFY(!model->data(other->index(3)).isValid());
        // A plain index kept across a removal points past the end now.
        QVERIFY(model->removeRows(0, 2));
        QVERIFY(!model->data(last).isValid());
    }

    void getDataResets() {
        std::unique_ptr<MyListModel> model(filled({"a"}));
        QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
        model->getData({{QStringLiteral("b")}, {QStringLiteral("c")}});
        QCOMPARE(reset.count(), 1);
        QCOMPARE(namesOf(*model), (QStringList{"b", "c"}));
    }
};

KIV_TEST_CLASS(tst_MyListModel)
#include "tst_MyListModel.moc"
