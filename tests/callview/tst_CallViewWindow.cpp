#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "CallViewArt.h"
#include "CallViewVideoWindow.h"
#include "CallViewWindow.h"
#include "KivTestLanguage.h"
#include "KivTestRegistry.h"

Q_DECLARE_METATYPE(KivLanguage::Language)

namespace {

void Mouse(QWidget* widget, QEvent::Type type, const QPoint& pos,
           Qt::MouseButtons buttons = Qt::NoButton) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A sprite frame as it appears on the dark title strip.
QImage Expected(const QImage& sprite, int frame, int width) {
    QImage image(width, sprite.height(), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x33, 0x33, 0x33));
    QPainter painter(&image);
    painter.drawImage(QPoint(0, 0), sprite, QRect(frame * width, 0, width, sprite.height()));
    return image;
}

QImage Shown(CallViewWindow& window, const QRect& area) {
    return window.grab(area).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

class tst_CallViewWindow : public QObject {
    Q_OBJECT
private slots:
    void layoutFollowsTheWidth_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("start size") << 528 << 425;
        QTest::newRow("wider") << 700 << 500;
    }
    void layoutFollowsTheWidth() {
        QFETCH(int, width);
        QFETCH(int, height);
        CallViewWindow window;
        QCOMPARE(window.size(), QSize(528, 425));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(width, height);
        QCOMPARE(window.CloseRect(), QRect(QPoint(width - 31, 10), QPoint(width - 21, 20)));
        QCOMPARE(window.MinRect(), QRect(QPoint(width - 62, 10), QPoint(width - 52, 20)));
        // The 2-pixel bar is centred on the close button's height.
        QCOMPARE(window.MinimizeBarPos(), QPoint(width - 62, 14));
        QCOMPARE(window.RemoteVideo()->geometry(), QRect(3, 30, width - 6, height - 33));
        QCOMPARE(window.LocalVideo()->geometry(), QRect(width - 158, height - 120, 152, 114));
    }

    void hoverAndPressDrawTheirSpriteFrames() {
        CallViewWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage close = CallViewArt::CloseSprite();
        const QImage minimize = CallViewArt::MinimizeSprite();
        const QRect closeArea = window.CloseRect();
        const QRect barArea(window.MinimizeBarPos(), QSize(11, 2));

        QCOMPARE(Shown(window, closeArea), Expected(close, 0, 11));
        Mouse(&window, QEvent::MouseMove, closeArea.center());
        QCOMPARE(window.CloseState(), 1);
        QCOMPARE(Shown(window, closeArea), Expected(close, 1, 11));
        Mouse(&window, QEvent::MouseButtonPress, closeArea.center(), Qt::LeftButton);
        QCOMPARE(Shown(window, closeArea), Expected(close, 2, 11));
        QVERIFY(Expected(close, 1, 11) != Expected(close, 2, 11));

        Mouse(&window, QEvent::MouseMove, window.MinRect().center());
        QCOMPARE(Shown(window, barArea), Expected(minimize, 1, 11));
        // Moving away restores both buttons.
        Mouse(&window, QEvent::MouseMove, QPoint(200, 200));
        QCOMPARE(window.CloseState(), 0);
        QCOMPARE(window.MinState(), 0);
        QCOMPARE(Shown(window, closeArea), Expected(close, 0, 11));
        QCOMPARE(Shown(window, barArea), Expected(minimize, 0, 11));
    }

    void releasingCloseHangsUp() {
        CallViewWindow window;
        QSignalSpy hangUp(&window, &CallViewWindow::HangUpClicked);
        Mouse(&window, QEvent::MouseButtonPress, window.CloseRect().center(), Qt::LeftButton);
        Mouse(&window, QEvent::MouseButtonRelease, QPoint(200, 15));
        QCOMPARE(hangUp.size(), 0);
        Mouse(&window, QEvent::MouseButtonRelease, window.CloseRect().center());
        QCOMPARE(hangUp.size(), 1);
        window.close();
        QCOMPARE(hangUp.size(), 2);
    }

    // Without a mouse: both buttons are named, reached by Tab and pressed by
    // Space; the sprites stay as the window draws them.
    void keysAndNames() {
        CallViewWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.HangUpKey()->accessibleName(), QStringLiteral("挂断"));
        QCOMPARE(window.MinimizeKey()->accessibleName(), QStringLiteral("最小化"));
        QCOMPARE(window.HangUpKey()->geometry(), window.CloseRect());
        QVERIFY(window.HangUpKey()->focusPolicy() & Qt::TabFocus);
        QVERIFY(window.MinimizeKey()->focusPolicy() & Qt::TabFocus);
        QSignalSpy hangUp(&window, &CallViewWindow::HangUpClicked);
        window.HangUpKey()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window.HangUpKey(), Qt::Key_Space);
        QTRY_COMPARE(hangUp.size(), 1);
        // The mouse still goes to the window, which draws the hover frame.
        Mouse(&window, QEvent::MouseMove, window.CloseRect().center());
        QCOMPARE(window.CloseState(), 1);
    }

    // The strip holds its title on the left and the call's security on the
    // right, in either language, without the two running into each other.
    void stripTextsFit_data() {
        QTest::addColumn<KivLanguage::Language>("language");
        QTest::newRow("Chinese") << KivLanguage::Language::Chinese;
        QTest::newRow("English") << KivLanguage::Language::English;
    }
    void stripTextsFit() {
        QFETCH(KivLanguage::Language, language);
        const KivTestLanguage installed(language);
        QVERIFY(installed.Ready());
        CallViewWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QFont font = QApplication::font();
        font.setPointSize(10);
        const int titleEnd = 40 + QFontMetrics(font).horizontalAdvance(QCoreApplication::translate(
                                      "CallViewWindow", "正在视频通话..."));
        auto* security = window.findChild<QLabel*>(QStringLiteral("securityLabel"));
        QVERIFY(security);
        for (const char* text : {"已加密  安全码 %1", "未加密", "加密失败", "正在建立加密…"}) {
            const QString shown = QCoreApplication::translate("CallViewController", text)
                                      .arg(QStringLiteral("081 346"));
            window.ShowSecurity(shown, true);
            const int width = security->fontMetrics().horizontalAdvance(shown);
            QVERIFY2(width <= security->contentsRect().width(), qPrintable(shown));
            QVERIFY2(titleEnd < security->geometry().right() - width, qPrintable(shown));
        }
    }

    // Only the top 31 pixels outside the buttons drag the window.
    void dragArea_data() {
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("drags");
        QTest::newRow("title strip") << 20 << true;
        QTest::newRow("last strip row") << 30 << true;
        QTest::newRow("below") << 40 << false;
    }
    void dragArea() {
        QFETCH(int, y);
        QFETCH(bool, drags);
        CallViewWindow window;
        window.move(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();
        Mouse(&window, QEvent::MouseButtonPress, QPoint(200, y), Qt::LeftButton);
        QCOMPARE(window.IsDragging(), drags);
        Mouse(&window, QEvent::MouseMove, QPoint(240, y + 25), Qt::LeftButton);
        QCOMPARE(window.pos() != start, drags);
        Mouse(&window, QEvent::MouseButtonRelease, QPoint(240, y + 25));
        QVERIFY(!window.IsDragging());
    }
};

KIV_TEST_CLASS(tst_CallViewWindow)
#include "tst_CallViewWindow.moc"
