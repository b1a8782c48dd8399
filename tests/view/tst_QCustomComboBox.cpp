#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "KivTestRegistry.h"
#include "QCustomComboBox.h"
#include "QCustomLineEdit.h"
#include "QCustomListView.h"
#include "QDropListItem.h"

class tst_QCustomComboBox : public QObject {
    Q_OBJECT

    static QPixmap head(const QColor& color) {
        QPixmap pixmap(40, 40);
        pixmap.fill(color);
        return pixmap;
    }

    static void addThree(QCustomComboBox& box) {
        box.AddAccount(QStringLiteral("alice"), head(Qt::red), QStringLiteral("Alice"));
        box.AddAccount(QStringLiteral("bob"), head(Qt::green));
        box.AddAccount(QStringLiteral("carol"), QPixmap());
    }

    static QList<int> heights(const QCustomComboBox& box) {
        QList<int> all;
        for (int row = 0; row < box.ListView()->count(); ++row) {
            all << box.ListView()->item(row)->sizeHint().height();
        }
        return all;
    }

    static QStringList accounts(const QCustomComboBox& box) {
        QStringList all;
        for (int row = 0; row < box.count(); ++row) {
            all << box.itemText(row);
        }
        return all;
    }

private slots:
    void parts() {
        QCustomComboBox box;
        QCOMPARE(box.objectName(), QStringLiteral("CustComboBox"));
        QVERIFY(box.isEditable());
        QCOMPARE(box.lineEdit(), box.LineEdit());
        QCOMPARE(box.LineEdit()->objectName(), QStringLiteral("ComBoBoxLine"));
        QCOMPARE(box.view(), box.ListView());
        QCOMPARE(box.model(), box.ListView()->model());
        QCOMPARE(box.ListView()->objectName(), QStringLiteral("listWidget"));
    }

    void addedRows() {
        QCustomComboBox box;
        addThree(box);
        QCOMPARE(accounts(box), (QStringList{"alice", "bob", "carol"}));
        QCOMPARE(box.RowWidget(1)->Account(), QStringLiteral("bob"));
        QCOMPARE(box.RowWidget(1)->Item(), box.ListView()->item(1));
        QCOMPARE(heights(box), (QList<int>{28, 28, 28}));
        box.setCurrentIndex(1);
        QCOMPARE(box.currentText(), QStringLiteral("bob"));
    }

    void currentRowIsTall() {
        QCustomComboBox box;
        addThree(box);
        box.ListView()->setCurrentRow(1);
        QCOMPARE(heights(box), (QList<int>{28, 50, 28}));
        QVERIFY(box.RowWidget(1)->IsSelected());
        QVERIFY(!box.RowWidget(1)->DeleteButton()->isHidden());
        QVERIFY(box.RowWidget(0)->DeleteButton()->isHidden());
        box.ListView()->setCurrentRow(2);
        QCOMPARE(heights(box), (QList<int>{28, 28, 50}));
        QVERIFY(!box.RowWidget(1)->IsSelected());
        QVERIFY(box.RowWidget(1)->DeleteButton()->isHidden());
    }

    void deleteButtonRemovesRow() {
        QCustomComboBox box;
        addThree(box);
        box.resize(200, 30);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.showPopup();
        QTRY_VERIFY(box.view()->isVisible());
        box.ListView()->setCurrentRow(1);
        QSignalSpy deleted(&box, &QCustomComboBox::ItemDel);
        QPushButton* button = box.RowWidget(1)->DeleteButton();
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted.at(0).at(0).toString(), QStringLiteral("bob"));
        QCOMPARE(accounts(box), (QStringList{"alice", "carol"}));
        QVERIFY(!box.view()->isVisible());
        // The clicked row goes away once its click is over.
        QPointer<QDropListItem> gone(qobject_cast<QDropListItem*>(button->parentWidget()));
        QTRY_VERIFY(gone.isNull());
    }

    void removalBeforeTheCurrentRow() {
        QCustomComboBox box;
        addThree(box);
        box.ListView()->setCurrentRow(2);
        QSignalSpy deleted(&box, &QCustomComboBox::ItemDel);
        box.RowWidget(0)->DeleteButton()->click();
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted.at(0).at(0).toString(), QStringLiteral("alice"));
        QCOMPARE(accounts(box), (QStringList{"bob", "carol"}));
        QCOMPARE(box.ListView()->currentRow(), 1);
        QCOMPARE(heights(box), (QList<int>{28, 50}));
        box.ListView()->setCurrentRow(0);
        QCOMPARE(heights(box), (QList<int>{50, 28}));
    }

    void deletingTheLastRow() {
        QCustomComboBox box;
        box.AddAccount(QStringLiteral("alice"), head(Qt::red));
        QSignalSpy deleted(&box, &QCustomComboBox::ItemDel);
        box.RowWidget(0)->Clickd();
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(box.count(), 0);
        box.AddAccount(QStringLiteral("bob"), head(Qt::red));
        QCOMPARE(heights(box), (QList<int>{28}));
        box.ListView()->setCurrentRow(0);
        QCOMPARE(heights(box), (QList<int>{50}));
    }

    void rowLook() {
        QCustomComboBox box;
        box.AddAccount(QStringLiteral("alice"), head(Qt::red), QStringLiteral("Alice"));
        box.AddAccount(QStringLiteral("bob"), head(Qt::red), QStringLiteral("Bob"));
        QDropListItem* row = box.RowWidget(1);
        row->resize(220, 50);
        const QImage plain = row->grab().toImage();
        // Head drawn at (5, 5) with side H - 10.
        QCOMPARE(plain.pixelColor(5, 5), QColor(Qt::red));
        QCOMPARE(plain.pixelColor(44, 44), QColor(Qt::red));
        QVERIFY(plain.pixelColor(46, 25) != QColor(Qt::red));
        row->SetSelected(true);
        QCOMPARE(row->DeleteButton()->geometry(), QRect(188, 12, 28, 26));
        const QImage selected = row->grab(QRect(0, 0, 180, 50)).toImage();
        QVERIFY(selected != plain.copy(0, 0, 180, 50));
    }
};

KIV_TEST_CLASS(tst_QCustomComboBox)
#include "tst_QCustomComboBox.moc"
