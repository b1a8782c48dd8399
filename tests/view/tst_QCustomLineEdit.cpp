#include <QtTest>

#include "KivTestRegistry.h"
#include "QCustomLineEdit.h"

class tst_QCustomLineEdit : public QObject {
    Q_OBJECT

    static QColor atIcon(QCustomLineEdit& edit) {
        // The icon is 8 x 8 at x 6, centred in the 30-pixel height.
        return edit.grab().toImage().pixelColor(QCustomLineEdit::kIconX + 4, 15);
    }

private slots:
    void iconOnlyWhenEmptyAndUnfocused() {
        QWidget window;
        auto* edit = new QCustomLineEdit(&window);
        auto* other = new QCustomLineEdit(&window);
        edit->setGeometry(0, 0, 150, 30);
        other->setGeometry(0, 40, 150, 30);
        QPixmap icon(8, 8);
        icon.fill(Qt::red);
        edit->SetIcon(icon);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        QVERIFY(!edit->hasFocus());
        QCOMPARE(atIcon(*edit), QColor(Qt::red));
        QCOMPARE(edit->grab().toImage().pixelColor(QCustomLineEdit::kIconX - 1, 15),
                 edit->grab().toImage().pixelColor(QCustomLineEdit::kIconX - 1, 25));

        edit->setText(QStringLiteral("secret"));
        QVERIFY(atIcon(*edit) != QColor(Qt::red));
        edit->clear();
        QCOMPARE(atIcon(*edit), QColor(Qt::red));

        edit->setFocus();
        QVERIFY(edit->hasFocus());
        QVERIFY(atIcon(*edit) != QColor(Qt::red));
        other->setFocus();
        QCOMPARE(atIcon(*edit), QColor(Qt::red));
    }

    void noIconNoDrawing() {
        QCustomLineEdit plain;
        QCustomLineEdit withNull;
        withNull.SetIcon(QPixmap());
        plain.resize(150, 30);
        withNull.resize(150, 30);
        QCOMPARE(withNull.grab().toImage(), plain.grab().toImage());
    }
};

KIV_TEST_CLASS(tst_QCustomLineEdit)
#include "tst_QCustomLineEdit.moc"
