#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "KivTestRegistry.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/QWindowBase.h"

class tst_QWindowBase : public QObject {
    Q_OBJECT
private slots:
    void hitZones_data() {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("zone");
        // A 100 x 80 window.
        QTest::newRow("inside") << QPoint(50, 40) << int(QWindowBase::HitNone);
        QTest::newRow("left") << QPoint(0, 40) << int(QWindowBase::HitLeft);
        QTest::newRow("right") << QPoint(99, 40) << int(QWindowBase::HitRight);
        QTest::newRow("top") << QPoint(50, 1) << int(QWindowBase::HitTop);
        QTest::newRow("bottom") << QPoint(50, 79) << int(QWindowBase::HitBottom);
        QTest::newRow("top wins over left") << QPoint(0, 0) << int(QWindowBase::HitTop);
        QTest::newRow("top-left") << QPoint(3, 3) << int(QWindowBase::HitTopLeft);
        QTest::newRow("top-right") << QPoint(95, 5) << int(QWindowBase::HitTopRight);
        QTest::newRow("bottom-left") << QPoint(2, 75) << int(QWindowBase::HitBottomLeft);
        QTest::newRow("bottom-right") << QPoint(98, 78) << int(QWindowBase::HitBottomRight);
        QTest::newRow("just past the corner") << QPoint(6, 6) << int(QWindowBase::HitNone);
    }
    void hitZones() {
        QFETCH(QPoint, pos);
        QFETCH(int, zone);
        QCOMPARE(int(QWindowBase::HitTest(pos, QSize(100, 80))), zone);
    }

    void titleButtonsFollowTheWidth() {
        QWindowBase window(nullptr);
        window.resize(300, 200);
        window.SetBtnNumber(true);
        auto* close = window.findChild<QPushButton*>(QStringLiteral("b_Close"));
        auto* minimise = window.findChild<QPushButton*>(QStringLiteral("b_Minimize"));
        QVERIFY(close && minimise && window.findChild<QPushButton*>(QStringLiteral("b_Maximize")));
        QCOMPARE(close->x(), 300 - 34);
        QCOMPARE(minimise->x(), 300 - 98);
        window.show();
        window.SetWindowSize(QSize(400, 200));
        QCOMPARE(close->x(), 400 - 34);
        window.SetBtnNumber(false);
        QVERIFY(!window.findChild<QPushButton*>(QStringLiteral("b_Maximize")));
        QCOMPARE(window.findChildren<QPushButton*>().size(), 2);
    }

    void resizeLimitsOnlyForTheMainWindow() {
        QWindowBase other(nullptr);
        other.resize(300, 300);
        other.EnableResize(true);
        QCOMPARE(other.minimumSize(), QSize(0, 0));

        QWindowBase main(nullptr);
        main.setObjectName(QStringLiteral("MainDlg"));
        main.resize(300, 600);
        main.EnableResize(true);
        QCOMPARE(main.minimumSize(), QSize(280, 520));
        QCOMPARE(main.maximumWidth(), 540);
        main.EnableResize(false);
        QCOMPARE(main.minimumSize(), main.size());
        QCOMPARE(main.maximumSize(), main.size());
    }

    // Tiling compositors float a window whose least and largest sizes agree;
    // one the user cannot resize must say so, and still follow its own resizes.
    void fixedWindowsFloatAtTheirSize() {
        QWindowBase fixed(nullptr);
        fixed.resize(430, 330);
        fixed.show();
        QCOMPARE(fixed.minimumSize(), QSize(430, 330));
        QCOMPARE(fixed.maximumSize(), QSize(430, 330));
        fixed.SetWindowSize(QSize(630, 330));
        QCOMPARE(fixed.size(), QSize(630, 330));
        QCOMPARE(fixed.maximumSize(), QSize(630, 330));

        QWindowBase resizable(nullptr);
        resizable.resize(300, 300);
        resizable.EnableResize(true);
        resizable.show();
        QCOMPARE(resizable.minimumSize(), QSize(0, 0));
        resizable.SetWindowSize(QSize(320, 400));
        QCOMPARE(resizable.size(), QSize(320, 400));
        QCOMPARE(resizable.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }

    void dragStopsAtTheTopOfTheScreen() {
        QWindowBase window(nullptr);
        window.EnableMove(true);
        window.setGeometry(100, 50, 200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint grip(20, 20);
        QTest::mousePress(&window, Qt::LeftButton, {}, grip);
        QMouseEvent move(QEvent::MouseMove, grip, window.mapToGlobal(grip) + QPoint(30, -400),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &move);
        QTest::mouseRelease(&window, Qt::LeftButton, {}, grip);
        QCOMPARE(window.y(), 0);
        QCOMPARE(window.x(), 130);
    }

    // Steps smaller than the start distance add up: the window follows the
    // mouse from the press, without jumps.
    void dragFollowsSmallSteps() {
        QWindowBase window(nullptr);
        window.EnableMove(true);
        window.setGeometry(100, 200, 200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint grip(20, 20);
        const QPoint pressed = window.mapToGlobal(grip);
        QTest::mousePress(&window, Qt::LeftButton, {}, grip);
        const int step = qMax(1, QApplication::startDragDistance() / 3);
        for (int i = 1; i <= 12; ++i) {
            QMouseEvent move(QEvent::MouseMove, grip, pressed + QPoint(step * i, 0), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&window, &move);
            if (step * i > QApplication::startDragDistance())
                QCOMPARE(window.x(), 100 + step * i);
        }
        QTest::mouseRelease(&window, Qt::LeftButton, {}, grip);
        QCOMPARE(window.pos(), QPoint(100 + step * 12, 200));
    }

    void missingSkinKeepsTheLook() {
        QWindowBase window(nullptr);
        window.setStyleSheet(QStringLiteral("QWidget{color:red;}"));
        QVERIFY(!window.SetSkin(QStringLiteral("no/such/skin.qss")));
        QCOMPARE(window.styleSheet(), QStringLiteral("QWidget{color:red;}"));

        QTemporaryDir dir;
        QFile skin(dir.filePath(QStringLiteral("a.qss")));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.write("QWidget{color:blue;}");
        skin.close();
        QVERIFY(window.SetSkin(skin.fileName()));
        QCOMPARE(window.styleSheet(), QStringLiteral("QWidget{color:blue;}"));
    }

    void messageBoxResults_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("result");
        QTest::newRow("first") << "bBtn1Name" << 1;
        QTest::newRow("second") << "bBtn2Name" << 0;
        QTest::newRow("close") << "b_Close" << 0;
    }
    void messageBoxResults() {
        QFETCH(QString, button);
        QFETCH(int, result);
        KivFriendMyMessageBoxView box(nullptr);
        box.SetTwoButtons(QStringLiteral("提示"), QStringLiteral("您确定要删除该好友吗？"),
                          QStringLiteral("确定"), QStringLiteral("取消"));
        QVERIFY(box.isModal());
        QTimer::singleShot(0, &box, [&] {
            auto* target = box.findChild<QPushButton*>(button);
            QVERIFY(target);
            target->click();
        });
        QCOMPARE(box.exec(), result);
        QCOMPARE(box.windowTitle(), QStringLiteral("提示"));
    }

    void oneButtonBoxReplacesButtons() {
        KivFriendMyMessageBoxView box(nullptr);
        box.SetTwoButtons(QStringLiteral("提示"), QStringLiteral("a"), QStringLiteral("确定"),
                          QStringLiteral("取消"));
        box.SetOneButton(QStringLiteral("提示"), QStringLiteral("删除成功"),
                         QStringLiteral("确定"));
        QVERIFY(box.findChild<QPushButton*>(QStringLiteral("bBtn1Name")));
        QVERIFY(!box.findChild<QPushButton*>(QStringLiteral("bBtn2Name")));
        auto* text = box.findChild<QLabel*>(QStringLiteral("Text_label"));
        QVERIFY(text);
        QCOMPARE(text->text(), QStringLiteral("删除成功"));
    }
};

KIV_TEST_CLASS(tst_QWindowBase)
#include "tst_QWindowBase.moc"
