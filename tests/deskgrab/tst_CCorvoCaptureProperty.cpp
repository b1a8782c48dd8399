#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "CCorvoCaptureProperty.h"
#include "KivTestRegistry.h"

namespace {

// Records what the page hands over; answers with its own idea of the values.
class FakeParam final : public IScrCapParam {
public:
    int SetFrameRate(int fps) override {
        setFrameRateCalls.append(fps);
        answeredFps = fps;
        return ScrCapOk;
    }
    int GetFrameRate(int* fps) override {
        *fps = answeredFps;
        return ScrCapOk;
    }
    int SetCaptureRect(int left, int top, int right, int bottom, int width, int height) override {
        setRectCalls.append(QVector<int>{left, top, right, bottom, width, height});
        return ScrCapOk;
    }
    int GetCaptureRect(int* left, int* top, int* right, int* bottom, int* width,
                       int* height) override {
        *left = rect[0];
        *top = rect[1];
        *right = rect[2];
        *bottom = rect[3];
        *width = rect[4];
        *height = rect[5];
        return ScrCapOk;
    }
    int GetBitCount(int* bits) override {
        *bits = 24;
        return ScrCapOk;
    }
    int SetCaptureEnable(int enable) override {
        setEnableCalls.append(enable);
        this->enable = enable;
        return ScrCapOk;
    }
    int GetCaptureEnable(int* enable) override {
        *enable = this->enable;
        return ScrCapOk;
    }
    int SetImage(int, const char*) override { return ScrCapOk; }
    int SetImageMode(int) override { return ScrCapOk; }

    QVector<int> rect{10, 20, 330, 260, 640, 480};
    int answeredFps = 15;
    int enable = 1;
    QVector<QVector<int>> setRectCalls;
    QVector<int> setFrameRateCalls;
    QVector<int> setEnableCalls;
};

QLineEdit* Edit(CCorvoCaptureProperty& page, const char* name) {
    return page.findChild<QLineEdit*>(QLatin1String(name));
}

QVector<int> EditValues(CCorvoCaptureProperty& page) {
    QVector<int> values;
    for (const char* name : {"left", "top", "right", "bottom", "width", "height"}) {
        values.append(Edit(page, name)->text().toInt());
    }
    return values;
}

QComboBox* Rate(CCorvoCaptureProperty& page) {
    return page.findChild<QComboBox*>(QStringLiteral("rate"));
}

}  // namespace

class TestCaptureProperty : public QObject {
    Q_OBJECT

private slots:
    void showsTheSourcesParameters() {
        FakeParam param;
        CCorvoCaptureProperty page;
        page.SetObject(&param);
        QCOMPARE(EditValues(page), param.rect);
        QCOMPARE(Rate(page)->currentText(), QStringLiteral("15 Frame/Sec"));
        QCOMPARE(Rate(page)->currentData().toInt(), 15);
        QVERIFY(page.findChild<QCheckBox*>(QStringLiteral("enable"))->isChecked());
        QVERIFY(page.findChild<QLabel*>(QStringLiteral("bitCount"))->text().contains("24"));
        QVERIFY(!page.IsDirty());
        QCOMPARE(page.windowTitle(), QStringLiteral("[Corvo] Capture Prop Ex"));
    }

    void typingInAnEditMarksThePageDirty_data() {
        QTest::addColumn<QString>("edit");
        for (const char* name : {"left", "top", "right", "bottom", "width", "height"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }

    void typingInAnEditMarksThePageDirty() {
        QFETCH(QString, edit);
        FakeParam param;
        CCorvoCaptureProperty page;
        page.SetObject(&param);
        QSignalSpy dirty(&page, &CCorvoCaptureProperty::DirtyChanged);
        QTest::keyClicks(page.findChild<QLineEdit*>(edit), QStringLiteral("5"));
        QVERIFY(page.IsDirty());
        QCOMPARE(dirty.count(), 1);
        QVERIFY(page.findChild<QPushButton*>(QStringLiteral("apply"))->isEnabled());
    }

    void choosingARateMarksThePageDirty() {
        FakeParam param;
        CCorvoCaptureProperty page;
        page.SetObject(&param);
        Rate(page)->setFocus();
        QTest::keyClick(Rate(page), Qt::Key_Down);
        QVERIFY(page.IsDirty());
    }

    void theCheckBoxAloneDoesNotMarkThePageDirty() {
        FakeParam param;
        CCorvoCaptureProperty page;
        page.SetObject(&param);
        QTest::mouseClick(page.findChild<QCheckBox*>(QStringLiteral("enable")), Qt::LeftButton);
        QVERIFY(!page.findChild<QCheckBox*>(QStringLiteral("enable"))->isChecked());
        QVERIFY(!page.IsDirty());
    }

    void editsAcceptOnlyNumbers() {
        FakeParam param;
        CCorvoCaptureProperty page;
        page.SetObject(&param);
        QLineEdit* left = Edit(page, "left");
        left->clear();
        QTest::keyClicks(left, QStringLiteral("1x2;3"));
        QCOMPARE(left->text(), QStringLiteral("123"));
    }

    void defaultFillsTheDocumentedValues() {
        FakeParam param;
        CCorvoCaptureProperty page;
        page.SetObject(&param);
        QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("default")), Qt::LeftButton);
        QCOMPARE(EditValues(page), (QVector<int>{0, 0, 320, 240, 320, 240}));
        QCOMPARE(Rate(page)->currentText(), QStringLiteral("5 Frame/Sec"));
        QVERIFY(page.IsDirty());
        QVERIFY(param.setRectCalls.isEmpty());
    }

    void applyHandsEverythingOverAndReloads() {
        FakeParam param;
        CCorvoCaptureProperty page;
        page.SetObject(&param);
        Edit(page, "left")->setText(QStringLiteral("100"));
        Edit(page, "top")->setText(QStringLiteral("50"));
        Edit(page, "right")->setText(QStringLiteral("500"));
        Edit(page, "bottom")->setText(QStringLiteral("-7"));
        Edit(page, "width")->setText(QString());
        Edit(page, "height")->setText(QStringLiteral("480"));
        Rate(page)->setCurrentIndex(Rate(page)->findData(30));
        QTest::mouseClick(page.findChild<QCheckBox*>(QStringLiteral("enable")), Qt::LeftButton);
        // The source keeps its own rectangle: the page shows what it answers.
        param.rect = {1, 2, 3, 4, 5, 6};
        QTest::keyClicks(Edit(page, "height"), QStringLiteral("0"));
        QTest::mouseClick(page.findChild<QPushButton*>(QStringLiteral("apply")), Qt::LeftButton);

        QCOMPARE(param.setRectCalls.size(), 1);
        QCOMPARE(param.setRectCalls[0], (QVector<int>{100, 50, 500, -7, 0, 4800}));
        QCOMPARE(param.setFrameRateCalls, QVector<int>{30});
        QCOMPARE(param.setEnableCalls, QVector<int>{0});
        QCOMPARE(EditValues(page), (QVector<int>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(Rate(page)->currentData().toInt(), 30);
        QVERIFY(!page.findChild<QCheckBox*>(QStringLiteral("enable"))->isChecked());
        QVERIFY(!page.IsDirty());
    }

    void aDetachedPageAppliesNothing() {
        CCorvoCaptureProperty page;
        page.SetObject(nullptr);
        QVERIFY(!page.isEnabled());
        page.Apply();
        QVERIFY(!page.IsDirty());
    }
};

KIV_TEST_CLASS(TestCaptureProperty)
#include "tst_CCorvoCaptureProperty.moc"
