#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "KivTestRegistry.h"
#include "shell/QCustomComboBox.h"
#include "shell/QCustomLineEdit.h"
#include "shell/QCustomListView.h"
#include "shell/QDropListItem.h"

class tst_QCustomComboBox : public QObject {
    Q_OBJECT

    static void addThree(QCustomComboBox& box) {
        QPixmap head(40, 40);
        head.fill(Qt::red);
        box.AddAccount(QStringLiteral("alice"), head, QStringLiteral("Alice"));
        box.AddAccount(QStringLiteral("bob"), head);
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
        addThree(box);
        QVERIFY(box.isEditable());
        QCOMPARE(box.lineEdit(), box.LineEdit());
        QCOMPARE(box.LineEdit()->objectName(), QStringLiteral("ComBoBoxLine"));
        QCOMPARE(box.view(), box.ListView());
        QCOMPARE(box.model(), box.ListView()->model());
        QCOMPARE(accounts(box), (QStringList{"alice", "bob", "carol"}));
        QCOMPARE(box.RowWidget(1)->Item(), box.ListView()->item(1));
        QCOMPARE(heights(box), (QList<int>{28, 28, 28}));
    }

    void currentRowIsTall() {
        QCustomComboBox box;
        addThree(box);
        box.ListView()->setCurrentRow(1);
        QCOMPARE(heights(box), (QList<int>{28, 50, 28}));
        QVERIFY(!box.RowWidget(1)->DeleteButton()->isHidden());
        QVERIFY(box.RowWidget(0)->DeleteButton()->isHidden());
        box.ListView()->setCurrentRow(2);
        QCOMPARE(heights(box), (QList<int>{28, 28, 50}));
        QVERIFY(box.RowWidget(1)->DeleteButton()->isHidden());
    }

    void deleteButtonRemovesRow() {
        QCustomComboBox box;
        addThree(box);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.showPopup();
        QTRY_VERIFY(box.view()->isVisible());
        box.ListView()->setCurrentRow(1);
        QSignalSpy deleted(&box, &QCustomComboBox::ItemDel);
        QPushButton* button = box.RowWidget(1)->DeleteButton();
        QPointer<QWidget> row(button->parentWidget());
        QTRY_COMPARE(row->height(), 50);
        QCOMPARE(button->geometry(), QRect(row->width() - 32, 12, 28, 26));
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted.at(0).at(0).toString(), QStringLiteral("bob"));
        QCOMPARE(accounts(box), (QStringList{"alice", "carol"}));
        QVERIFY(!box.view()->isVisible());
        // The clicked row goes away once its click is over.
        QTRY_VERIFY(row.isNull());
    }

    void removalBeforeTheCurrentRow() {
        QCustomComboBox box;
        addThree(box);
        box.ListView()->setCurrentRow(2);
        QSignalSpy deleted(&box, &QCustomComboBox::ItemDel);
        box.RowWidget(0)->DeleteButton()->click();
        QCOMPARE(deleted.value(0).value(0).toString(), QStringLiteral("alice"));
        QCOMPARE(heights(box), (QList<int>{28, 50}));
        box.ListView()->setCurrentRow(0);
        QCOMPARE(heights(box), (QList<int>{50, 28}));
        box.RowWidget(0)->Clickd();
        box.RowWidget(0)->Clickd();
        QCOMPARE(deleted.count(), 3);
        QCOMPARE(box.count(), 0);
    }
};

KIV_TEST_CLASS(tst_QCustomComboBox)
#include "tst_QCustomComboBox.moc"
