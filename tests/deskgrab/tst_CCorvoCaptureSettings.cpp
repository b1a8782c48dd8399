#include <QtTest>
#include <memory>

#include "CCorvoCaptureSettings.h"
#include "KivTestRegistry.h"

namespace {

struct Rect {
    int left, top, right, bottom, width, height;
};

Rect RectOf(CCorvoCaptureSettings& settings) {
    Rect rect{};
    settings.GetCaptureRect(&rect.left, &rect.top, &rect.right, &rect.bottom, &rect.width,
                            &rect.height);
    return rect;
}

std::unique_ptr<CCorvoCaptureSettings> MakeSettings(int screenWidth, int screenHeight) {
    return std::make_unique<CCorvoCaptureSettings>([=] {
        return CorvoScreenSize{screenWidth, screenHeight};
    });
}

int FrameRateOf(CCorvoCaptureSettings& settings) {
    int fps = -100;
    settings.GetFrameRate(&fps);
    return fps;
}

}  // namespace

class TestCaptureSettings : public QObject {
    Q_OBJECT

private slots:
    void startsWithTheDocumentedDefaults() {
        auto settings = MakeSettings(1280, 800);
        const Rect rect = RectOf(*settings);
        QCOMPARE(rect.left, 0);
        QCOMPARE(rect.top, 0);
        QCOMPARE(rect.right, 320);
        QCOMPARE(rect.bottom, 240);
        QCOMPARE(rect.width, 320);
        QCOMPARE(rect.height, 240);
        QCOMPARE(FrameRateOf(*settings), 25);
        int bits = 0;
        int enable = 0;
        settings->GetBitCount(&bits);
        settings->GetCaptureEnable(&enable);
        QCOMPARE(bits, 32);
        QCOMPARE(enable, 1);
        const CorvoCaptureSnapshot state = settings->Snapshot();
        QVERIFY(state.pacing);
        QVERIFY(state.timestamps);
        QVERIFY(!state.imageLoaded);
    }

    // Each row starts from an output size of 640 x 480, so "unchanged" shows.
    void captureRectRules_data() {
        QTest::addColumn<QVector<int>>("given");
        QTest::addColumn<QVector<int>>("expected");
        QTest::newRow("all zero: whole screen")
            << QVector<int>{0, 0, 0, 0, 0, 0} << QVector<int>{0, 0, 1280, 800, 1280, 800};
        QTest::newRow("negative left: whole screen")
            << QVector<int>{-1, 0, 100, 100, 50, 50} << QVector<int>{0, 0, 1280, 800, 1280, 800};
        QTest::newRow("negative width: whole screen")
            << QVector<int>{0, 0, 100, 100, -50, 50} << QVector<int>{0, 0, 1280, 800, 1280, 800};
        QTest::newRow("left not before right")
            << QVector<int>{400, 0, 400, 300, 100, 100} << QVector<int>{0, 0, 1280, 800, 1280, 800};
        QTest::newRow("top not above bottom")
            << QVector<int>{0, 300, 400, 200, 100, 100} << QVector<int>{0, 0, 1280, 800, 1280, 800};
        QTest::newRow("scaled area kept") << QVector<int>{100, 100, 500, 400, 640, 480}
                                          << QVector<int>{100, 100, 500, 400, 640, 480};
        QTest::newRow("right beyond the screen kept for clipping")
            << QVector<int>{1000, 600, 2000, 1000, 100, 90}
            << QVector<int>{1000, 600, 2000, 1000, 100, 90};
        QTest::newRow("left off the screen")
            << QVector<int>{1280, 0, 1400, 100, 100, 100} << QVector<int>{0, 0, 320, 240, 640, 480};
        QTest::newRow("top off the screen")
            << QVector<int>{0, 900, 100, 1000, 100, 100} << QVector<int>{0, 0, 320, 240, 640, 480};
        QTest::newRow("zero output width")
            << QVector<int>{10, 10, 100, 100, 0, 50} << QVector<int>{0, 0, 320, 240, 640, 480};
        QTest::newRow("output too large")
            << QVector<int>{0, 0, 100, 100, 9000, 100} << QVector<int>{0, 0, 320, 240, 640, 480};
    }

    void captureRectRules() {
        QFETCH(QVector<int>, given);
        QFETCH(QVector<int>, expected);
        auto settings = MakeSettings(1280, 800);
        settings->SetCaptureRect(0, 0, 640, 480, 640, 480);
        QCOMPARE(
            settings->SetCaptureRect(given[0], given[1], given[2], given[3], given[4], given[5]),
            ScrCapOk);
        const Rect rect = RectOf(*settings);
        QCOMPARE(
            (QVector<int>{rect.left, rect.top, rect.right, rect.bottom, rect.width, rect.height}),
            expected);
    }

    void withoutAScreenTheWholeScreenFallsBackToTheDefaultArea() {
        auto settings = MakeSettings(0, 0);
        settings->SetCaptureRect(0, 0, 0, 0, 0, 0);
        const Rect rect = RectOf(*settings);
        QCOMPARE(
            (QVector<int>{rect.left, rect.top, rect.right, rect.bottom, rect.width, rect.height}),
            (QVector<int>{0, 0, 320, 240, 320, 240}));
    }

    // A screen cast's size is known only once it runs: a rectangle set before
    // (or read from the state file) must survive, the whole screen cannot.
    void beforeTheScreenIsKnownRectanglesAreTakenAsGiven() {
        CCorvoCaptureSettings settings([] { return CorvoScreenSize::Unknown(); });
        settings.SetCaptureRect(1500, 900, 2100, 1300, 600, 400);
        Rect rect = RectOf(settings);
        QCOMPARE(
            (QVector<int>{rect.left, rect.top, rect.right, rect.bottom, rect.width, rect.height}),
            (QVector<int>{1500, 900, 2100, 1300, 600, 400}));
        settings.SetCaptureRect(0, 0, 100, 100, 9000, 400);
        rect = RectOf(settings);
        QCOMPARE((QVector<int>{rect.right, rect.bottom}), (QVector<int>{320, 240}));
        settings.SetCaptureRect(0, 0, 0, 0, 0, 0);
        rect = RectOf(settings);
        QCOMPARE(
            (QVector<int>{rect.left, rect.top, rect.right, rect.bottom, rect.width, rect.height}),
            (QVector<int>{0, 0, 320, 240, 600, 400}));
    }

    void frameRateTable_data() {
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("answered");
        QTest::addColumn<qint64>("frameTime");
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("0: one per 2 s") << 0 << 0 << qint64(20000000) << 2000;
        QTest::newRow("1") << 1 << 1 << qint64(10000000) << 1000;
        QTest::newRow("2") << 2 << 2 << qint64(5000000) << 500;
        QTest::newRow("5") << 5 << 5 << qint64(2000000) << 200;
        QTest::newRow("10") << 10 << 10 << qint64(1000000) << 100;
        QTest::newRow("15") << 15 << 15 << qint64(666666) << 66;
        QTest::newRow("18") << 18 << 18 << qint64(555555) << 55;
        QTest::newRow("20") << 20 << 20 << qint64(500000) << 50;
        QTest::newRow("30") << 30 << 30 << qint64(333333) << 33;
        QTest::newRow("40") << 40 << 40 << qint64(250000) << 25;
        QTest::newRow("25 is the default row") << 25 << 25 << qint64(400000) << 40;
        QTest::newRow("7 is unknown") << 7 << 25 << qint64(400000) << 40;
        QTest::newRow("60 is unknown") << 60 << 25 << qint64(400000) << 40;
        QTest::newRow("-3 is unknown") << -3 << 25 << qint64(400000) << 40;
    }

    void frameRateTable() {
        QFETCH(int, requested);
        QFETCH(int, answered);
        QFETCH(qint64, frameTime);
        QFETCH(int, intervalMs);
        auto settings = MakeSettings(1280, 800);
        settings->SetFrameRate(1);
        QCOMPARE(settings->SetFrameRate(requested), ScrCapOk);
        QCOMPARE(FrameRateOf(*settings), answered);
        const CorvoCaptureSnapshot state = settings->Snapshot();
        QCOMPARE(qint64(state.rate.frameTime), frameTime);
        QCOMPARE(state.rate.intervalMs, intervalMs);
    }

    void pacingAndStampSwitchesKeepTheRate() {
        auto settings = MakeSettings(1280, 800);
        settings->SetFrameRate(15);
        settings->SetFrameRate(-1);
        QVERIFY(!settings->Snapshot().pacing);
        QCOMPARE(FrameRateOf(*settings), 15);
        // A plain rate does not switch pacing back on; only 0 does.
        settings->SetFrameRate(30);
        QVERIFY(!settings->Snapshot().pacing);
        settings->SetFrameRate(-2);
        QVERIFY(!settings->Snapshot().timestamps);
        QCOMPARE(FrameRateOf(*settings), 30);
        settings->SetFrameRate(0);
        QVERIFY(settings->Snapshot().pacing);
        QCOMPARE(FrameRateOf(*settings), 0);
    }

    void formatChangesAreAnnounced() {
        auto settings = MakeSettings(1280, 800);
        int calls = 0;
        settings->SetFormatListener([&] { ++calls; });
        settings->SetFrameRate(25);
        settings->SetFrameRate(-1);
        settings->SetCaptureRect(10, 10, 330, 250, 320, 240);
        QCOMPARE(calls, 0);
        settings->SetFrameRate(10);
        QCOMPARE(calls, 1);
        settings->SetCaptureRect(0, 0, 100, 100, 640, 480);
        QCOMPARE(calls, 2);
    }

    void captureAndStillImageExcludeEachOther() {
        auto settings = MakeSettings(1280, 800);
        settings->SetImage(1, "");
        int enable = -1;
        settings->GetCaptureEnable(&enable);
        QCOMPARE(enable, 0);
        QVERIFY(settings->Snapshot().imageLoaded);
        settings->SetCaptureEnable(1);
        settings->GetCaptureEnable(&enable);
        QCOMPARE(enable, 1);
        QVERIFY(!settings->Snapshot().imageLoaded);
        // Switching capture off alone keeps the image off: black frames.
        settings->SetCaptureEnable(0);
        QVERIFY(!settings->Snapshot().captureEnabled);
        QVERIFY(!settings->Snapshot().imageLoaded);
    }

    void stillImageLoadsFromABitmapFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("still.bmp"));
        QImage picture(40, 30, QImage::Format_RGB888);
        picture.fill(QColor(10, 200, 30));
        QVERIFY(picture.save(path, "BMP"));
        auto settings = MakeSettings(1280, 800);
        settings->SetImage(1, path.toLocal8Bit().constData());
        const CorvoCaptureSnapshot state = settings->Snapshot();
        QVERIFY(state.still != nullptr);
        QCOMPARE(state.still->Width(), 40);
        QCOMPARE(state.still->Height(), 30);
        const std::uint8_t* pixel = state.still->View().data;
        QCOMPARE(int(pixel[0]), 30);
        QCOMPARE(int(pixel[1]), 200);
        QCOMPARE(int(pixel[2]), 10);
    }

    void anUnreadableImageGivesBlackFrames() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("not-a-picture.bmp"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("definitely not a bitmap");
        file.close();
        auto settings = MakeSettings(1280, 800);
        settings->SetImage(1, path.toLocal8Bit().constData());
        const CorvoCaptureSnapshot state = settings->Snapshot();
        QVERIFY(state.imageLoaded);
        QVERIFY(state.still == nullptr);
        QVERIFY(!state.captureEnabled);
    }

    void imageModeCodes_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("mode");
        QTest::newRow("1000: whole") << 1000 << int(CorvoImageMode::Whole);
        QTest::newRow("1001: around 720x576") << 1001 << int(CorvoImageMode::Around720x576);
        QTest::newRow("1002: around 800x600") << 1002 << int(CorvoImageMode::Around800x600);
        QTest::newRow("999 ignored") << 999 << int(CorvoImageMode::Around720x576);
        QTest::newRow("2 ignored") << 2 << int(CorvoImageMode::Around720x576);
    }

    void imageModeCodes() {
        QFETCH(int, code);
        QFETCH(int, mode);
        auto settings = MakeSettings(1280, 800);
        settings->SetImageMode(1001);
        QCOMPARE(settings->SetImageMode(code), ScrCapOk);
        QCOMPARE(int(settings->Snapshot().imageMode), mode);
    }

    void nullOutParametersAreRefused() {
        auto settings = MakeSettings(1280, 800);
        int value = 0;
        QCOMPARE(settings->GetFrameRate(nullptr), ScrCapPointerError);
        QCOMPARE(settings->GetBitCount(nullptr), ScrCapPointerError);
        QCOMPARE(settings->GetCaptureEnable(nullptr), ScrCapPointerError);
        QCOMPARE(settings->GetCaptureRect(&value, &value, &value, nullptr, &value, &value),
                 ScrCapPointerError);
        QCOMPARE(settings->SetImage(1, nullptr), ScrCapOk);
    }
};

KIV_TEST_CLASS(TestCaptureSettings)
#include "tst_CCorvoCaptureSettings.moc"
