#include <QtTest>

#include "KivTestRegistry.h"
#include "shell/QCustomLineEdit.h"

class tst_QCustomLineEdit : public QObject {
    Q_OBJECT

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
        // The 8 x 8 icon sits at x 6, centred in the 30-pixel height.
        auto iconShown = [&] {
            const QImage image = edit->grab().toImage();
            return image.pixelColor(QCustomLineEdit::kIconX, 11) == Qt::red &&
                   image.pixelColor(QCustomLineEdit::kIconX + 7, 18) == Qt::red &&
                   image.pixelColor(QCustomLineEdit::kIconX - 1, 15) != Qt::red;
        };
        QVERIFY(iconShown());
        edit->setText(QStringLiteral("secret"));
        QVERIFY(!iconShown());
        edit->clear();
        QVERIFY(iconShown());
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        QVERIFY(!iconShown());
        other->setFocus();
        QVERIFY(iconShown());
    }
};

KIV_TEST_CLASS(tst_QCustomLineEdit)
#include "tst_QCustomLineEdit.moc"
