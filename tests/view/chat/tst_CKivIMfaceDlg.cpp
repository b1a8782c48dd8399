#include <QDir>
#include <QTableWidget>
#include <QtTest>

#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "chat/CKivIMfaceDlg.h"

// What the picker takes from its folder and how it names prices.
class tst_CKivIMfaceDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;

    static QStringList Paths(const CKivIMfaceDlg& picker) {
        QStringList paths;
        for (int row = 0; row < CKivIMfaceDlg::kRows; ++row) {
            for (int column = 0; column < CKivIMfaceDlg::kColumns; ++column) {
                if (const QTableWidgetItem* item = picker.table()->item(row, column))
                    paths << item->text();
            }
        }
        return paths;
    }

private slots:
    void init() { m_tree = std::make_unique<KivViewTestTree>(); }
    void cleanup() { m_tree.reset(); }

    void missingFolderGivesAnEmptyGrid() {
        CKivIMfaceDlg picker(nullptr, true);
        QVERIFY(Paths(picker).isEmpty());
        QVERIFY(QDir(QStringLiteral("image/gift")).exists());
        QCOMPARE(picker.table()->rowCount(), 7);
        QCOMPARE(picker.table()->columnCount(), 9);
    }

    void suffixesAndToolTips() {
        for (const char* name : {"7.gif", "rose.png", "12.PNG", "3.5.jpg", "0.png"})
            m_tree->addPicture(QStringLiteral("image/gift/") + QLatin1String(name));
        m_tree->writeFile(QStringLiteral("image/gift/abc.txt"), "not a picture");
        m_tree->writeFile(QStringLiteral("image/gift/9.png"), "broken picture");
        CKivIMfaceDlg picker(nullptr, true);
        const QStringList paths = Paths(picker);
        QCOMPARE(paths, (QStringList{"image/gift/0.png", "image/gift/12.PNG", "image/gift/3.5.jpg",
                                     "image/gift/7.gif", "image/gift/rose.png"}));
        QHash<QString, QString> tips;
        for (int i = 0; i < paths.size(); ++i) {
            const QTableWidgetItem* item = picker.table()->item(0, i);
            tips[item->text()] = item->toolTip();
            const QPixmap icon = item->data(Qt::DecorationRole).value<QPixmap>();
            QVERIFY(icon.width() <= 40 && icon.height() <= 40 && !icon.isNull());
        }
        QCOMPARE(tips["image/gift/7.gif"], QStringLiteral("7元"));
        QCOMPARE(tips["image/gift/3.5.jpg"], QStringLiteral("3.5元"));
        QCOMPARE(tips["image/gift/rose.png"], QStringLiteral("rose"));
        QCOMPARE(tips["image/gift/0.png"], QStringLiteral("0"));
    }

    void prices_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("price");
        QTest::newRow("number") << "image/gift/7.gif" << 7.0;
        QTest::newRow("fraction") << "image/gift/2.5.png" << 2.5;
        QTest::newRow("name") << "image/gift/rose.png" << 0.0;
        QTest::newRow("negative costs nothing") << "image/gift/-5.png" << 0.0;
        QTest::newRow("infinity costs nothing") << "image/gift/inf.png" << 0.0;
    }
    void prices() {
        QFETCH(QString, path);
        QFETCH(double, price);
        QCOMPARE(CKivIMfaceDlg::PriceOf(path), price);
    }

    void gridHoldsAtMost63() {
        for (int i = 0; i < 70; ++i)
            m_tree->addPicture(QStringLiteral("image/face/f%1.png").arg(i, 2, 10, QChar('0')));
        CKivIMfaceDlg picker(nullptr, false);
        const QStringList paths = Paths(picker);
        QCOMPARE(paths.size(), 63);
        QCOMPARE(paths.first(), QStringLiteral("image/face/f00.png"));
        QCOMPARE(picker.table()->item(6, 8)->text(), QStringLiteral("image/face/f62.png"));
    }
};

KIV_TEST_CLASS(tst_CKivIMfaceDlg)
#include "tst_CKivIMfaceDlg.moc"
