#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "CCorvoCapturePin.h"
#include "KivTestRegistry.h"

namespace {

// Screen pixel (x, y) has red x % 256, green y % 256, blue x / 256 + 16 * (y / 256).
QColor ScreenColour(int x, int y) {
    return QColor(x & 0xff, y & 0xff, (x >> 8) | (y >> 8) << 4);
}

struct GrabCall {
    int left, top, width, height;
};

// A screen of a fixed size whose pixels tell where they are.
class FakeScreen final : public ICorvoScreenSource {
public:
    FakeScreen(int width, int height) : m_width(width), m_height(height) {}

    bool Open(std::string* error) override {
        if (m_width == 0) {
            *error = "no screen here";
            return false;
        }
        return true;
    }
    void Close() override {}
    CorvoScreenSize Size() override { return {m_width, m_height}; }
    bool IsLost() override { return m_lost; }

    bool Grab(int left, int top, int width, int height, CorvoImageView* picture,
              std::string* error) override {
        {
            std::unique_lock<std::mutex> guard(m_gateLock);
            m_gateChanged.wait(guard, [this] { return m_gateOpen || m_interrupted; });
            if (m_interrupted) {
                *error = "interrupted";
                return false;
            }
        }
        {
            std::lock_guard<std::mutex> guard(m_callsLock);
            m_calls.push_back({left, top, width, height});
        }
        if (m_lost) {
            *error = "the screen went away";
            return false;
        }
        m_picture.assign(static_cast<size_t>(width) * height * 4, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QColor colour = ScreenColour(left + x, top + y);
                std::uint8_t* pixel = m_picture.data() + (static_cast<size_t>(y) * width + x) * 4;
                pixel[0] = static_cast<std::uint8_t>(colour.blue());
                pixel[1] = static_cast<std::uint8_t>(colour.green());
                pixel[2] = static_cast<std::uint8_t>(colour.red());
            }
        }
        *picture = {m_picture.data(), width, height, width * 4};
        return true;
    }

    void Interrupt() override {
        {
            std::lock_guard<std::mutex> guard(m_gateLock);
            m_interrupted = true;
        }
        m_gateChanged.notify_all();
    }
    bool Interrupted() {
        std::lock_guard<std::mutex> guard(m_gateLock);
        return m_interrupted;
    }

    // While closed, grabs hang as on a stuck X server.
    void SetGate(bool open) {
        {
            std::lock_guard<std::mutex> guard(m_gateLock);
            m_gateOpen = open;
        }
        m_gateChanged.notify_all();
    }

    // Grabs happen on the capture thread, also ahead of requests.
    std::vector<GrabCall> Calls() {
        std::lock_guard<std::mutex> guard(m_callsLock);
        return m_calls;
    }

    std::atomic<bool> m_lost{false};

private:
    int m_width;
    int m_height;
    std::mutex m_callsLock;
    std::vector<GrabCall> m_calls;
    std::vector<std::uint8_t> m_picture;
    std::mutex m_gateLock;
    std::condition_variable m_gateChanged;
    bool m_gateOpen = true;
    bool m_interrupted = false;
};

struct Frame {
    Frame(int width, int height, std::uint8_t fill = 0x5a)
        : pixels(static_cast<size_t>(width) * height * 4, fill) {
        target.width = width;
        target.height = height;
        target.planes[0] = pixels.data();
        target.strides[0] = width * 4;
    }

    QColor At(int x, int y) const {
        const std::uint8_t* pixel = pixels.data() + (static_cast<size_t>(y) * target.width + x) * 4;
        return QColor(pixel[2], pixel[1], pixel[0]);
    }

    bool IsBlack() const {
        for (size_t i = 0; i < pixels.size(); i += 4) {
            if (pixels[i] != 0 || pixels[i + 1] != 0 || pixels[i + 2] != 0) {
                return false;
            }
        }
        return true;
    }

    std::vector<std::uint8_t> pixels;
    CorvoFrameTarget target;
};

// A capture pin on a 1280 x 800 fake screen, frames as fast as asked for.
struct Rig {
    Rig(int screenWidth = 1280, int screenHeight = 800)
        : settings([=] {
              return CorvoScreenSize{screenWidth, screenHeight};
          }) {
        auto fake = std::make_unique<FakeScreen>(screenWidth, screenHeight);
        screen = fake.get();
        pin = std::make_unique<CCorvoCapturePin>(settings, std::move(fake));
        settings.SetFrameRate(-1);
    }

    bool Start() {
        std::string error;
        const bool started = pin->Start(&error);
        pin->FormatDecided();
        return started;
    }

    CorvoFillResult Fill(Frame& frame, CorvoFrameTiming* timing = nullptr) {
        CorvoFrameTiming ignored;
        std::string error;
        return pin->Fill(frame.target, timing != nullptr ? timing : &ignored, &error);
    }

    CCorvoCaptureSettings settings;
    FakeScreen* screen = nullptr;
    std::unique_ptr<CCorvoCapturePin> pin;
};

void WriteBitmap(const QString& path, const QColor& colour, int width, int height) {
    QImage picture(width, height, QImage::Format_RGB888);
    picture.fill(colour);
    QVERIFY(picture.save(path, "BMP"));
}

}  // namespace

class TestCapturePin : public QObject {
    Q_OBJECT

private slots:
    void framesCarryConsecutiveTimes() {
        Rig rig;
        rig.settings.SetFrameRate(30);
        rig.settings.SetFrameRate(-1);
        QVERIFY(rig.Start());
        Frame frame(320, 240);
        for (std::int64_t n = 0; n < 3; ++n) {
            CorvoFrameTiming timing;
            QCOMPARE(rig.Fill(frame, &timing), CorvoFillResult::Ok);
            QVERIFY(timing.stamped);
            QCOMPARE(timing.start, n * 333333);
            QCOMPARE(timing.end, (n + 1) * 333333);
        }
        // A new run counts from zero again.
        rig.pin->Stop();
        QVERIFY(rig.Start());
        CorvoFrameTiming timing;
        QCOMPARE(rig.Fill(frame, &timing), CorvoFillResult::Ok);
        QCOMPARE(timing.start, std::int64_t(0));
    }

    // A new frame time applies from the end of the last frame: times never
    // go back and never leap ahead.
    void rateChangeKeepsTimesContinuous_data() {
        QTest::addColumn<int>("fps");
        QTest::addColumn<std::int64_t>("frameTime");
        QTest::newRow("slower") << 5 << std::int64_t(2000000);
        QTest::newRow("faster") << 40 << std::int64_t(250000);
    }
    void rateChangeKeepsTimesContinuous() {
        QFETCH(int, fps);
        QFETCH(std::int64_t, frameTime);
        Rig rig;
        rig.settings.SetFrameRate(30);
        rig.settings.SetFrameRate(-1);
        QVERIFY(rig.Start());
        Frame frame(320, 240);
        CorvoFrameTiming timing;
        for (int n = 0; n < 3; ++n)
            QCOMPARE(rig.Fill(frame, &timing), CorvoFillResult::Ok);
        rig.settings.SetFrameRate(fps);
        rig.settings.SetFrameRate(-1);
        CorvoFrameTiming next;
        QCOMPARE(rig.Fill(frame, &next), CorvoFillResult::Ok);
        QCOMPARE(next.start, timing.end);
        QCOMPARE(next.end, timing.end + frameTime);
    }

    // A grab stuck on the display does not hold the pin's stop: the grab is
    // interrupted after a short wait.
    void stopEndsAStuckGrab() {
        Rig rig;
        // Closed before the start, so no grab made ahead of time gets through.
        rig.screen->SetGate(false);
        QVERIFY(rig.Start());
        Frame frame(320, 240);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        QVERIFY(frame.IsBlack());
        std::atomic<bool> stopped{false};
        std::thread stopper([&] {
            rig.pin->Stop();
            stopped = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(stopped, 20000);
        stopper.join();
        QVERIFY(rig.screen->Interrupted());
    }

    void stampsCanBeSwitchedOff() {
        Rig rig;
        rig.settings.SetFrameRate(-2);
        QVERIFY(rig.Start());
        Frame frame(320, 240);
        CorvoFrameTiming timing;
        QCOMPARE(rig.Fill(frame, &timing), CorvoFillResult::Ok);
        QVERIFY(!timing.stamped);
    }

    void grabsTheRectangleAtOutputSize() {
        Rig rig;
        rig.settings.SetCaptureRect(200, 100, 520, 340, 320, 240);
        QVERIFY(rig.Start());
        Frame frame(320, 240);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        QCOMPARE(frame.At(0, 0), ScreenColour(200, 100));
        QCOMPARE(frame.At(319, 0), ScreenColour(519, 100));
        QCOMPARE(frame.At(0, 239), ScreenColour(200, 339));
        QCOMPARE(frame.At(319, 239), ScreenColour(519, 339));
    }

    void scalesTheRectangleToTheOutputSize() {
        Rig rig;
        rig.settings.SetCaptureRect(100, 100, 500, 400, 640, 480);
        QVERIFY(rig.Start());
        Frame frame(640, 480);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        const GrabCall last = rig.screen->Calls().back();
        QCOMPARE(last.left, 100);
        QCOMPARE(last.top, 100);
        QCOMPARE(last.width, 400);
        QCOMPARE(last.height, 300);
        QCOMPARE(frame.At(0, 0), ScreenColour(100, 100));
        QCOMPARE(frame.At(639, 479), ScreenColour(499, 399));
        QCOMPARE(frame.At(320, 240), ScreenColour(300, 250));
    }

    void aRectangleBeyondTheScreenIsClipped() {
        Rig rig;
        rig.settings.SetCaptureRect(1000, 600, 2000, 1000, 280, 200);
        QVERIFY(rig.Start());
        Frame frame(280, 200);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        const GrabCall last = rig.screen->Calls().back();
        QCOMPARE(last.width, 280);
        QCOMPARE(last.height, 200);
        QCOMPARE(frame.At(279, 199), ScreenColour(1279, 799));
    }

    void outputsTooLargeToScaleStayBlack() {
        Rig rig(800, 600);
        rig.settings.SetCaptureRect(0, 0, 800, 600, 4000, 3000);
        QVERIFY(rig.Start());
        Frame frame(4000, 3000);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        QVERIFY(frame.IsBlack());
    }

    void captureOffWithoutImageIsBlack() {
        Rig rig;
        rig.settings.SetCaptureEnable(0);
        QVERIFY(rig.Start());
        Frame frame(320, 240);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        QVERIFY(frame.IsBlack());
        QVERIFY(rig.screen->Calls().empty());
    }

    void captureOffSendsTheStillImageScaled() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("still.bmp"));
        WriteBitmap(path, QColor(250, 128, 4), 64, 48);
        Rig rig;
        rig.settings.SetImage(1, path.toLocal8Bit().constData());
        QVERIFY(rig.Start());
        Frame frame(320, 240);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        QCOMPARE(frame.At(0, 0), QColor(250, 128, 4));
        QCOMPARE(frame.At(319, 239), QColor(250, 128, 4));
        QVERIFY(rig.screen->Calls().empty());
    }

    void placementModesKeepTheCentre_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("areaWidth");
        QTest::addColumn<int>("areaHeight");
        QTest::newRow("800x600 in 1024x768") << 1002 << 1024 << 768 << 800 << 600;
        QTest::newRow("720x576 in 1024x768") << 1001 << 1024 << 768 << 720 << 576;
        QTest::newRow("800x600 needs a larger output") << 1002 << 800 << 600 << 0 << 0;
        QTest::newRow("whole") << 1000 << 1024 << 768 << 0 << 0;
    }

    void placementModesKeepTheCentre() {
        QFETCH(int, code);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, areaWidth);
        QFETCH(int, areaHeight);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("still.bmp"));
        WriteBitmap(path, QColor(0, 0, 255), width, height);
        Rig rig;
        rig.settings.SetCaptureRect(0, 0, 100, 100, width, height);
        rig.settings.SetImage(1, path.toLocal8Bit().constData());
        rig.settings.SetImageMode(code);
        QVERIFY(rig.Start());
        Frame frame(width, height, 0x11);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        const int left = (width - areaWidth) / 2;
        const int top = (height - areaHeight) / 2;
        const QColor kept(0x11, 0x11, 0x11);
        const QColor image(0, 0, 255);
        QCOMPARE(frame.At(width / 2, height / 2), areaWidth > 0 ? kept : image);
        QCOMPARE(frame.At(0, 0), image);
        QCOMPARE(frame.At(width - 1, height - 1), image);
        if (areaWidth > 0) {
            QCOMPARE(frame.At(left - 1, height / 2), image);
            QCOMPARE(frame.At(left, top), kept);
            QCOMPARE(frame.At(left + areaWidth - 1, top + areaHeight - 1), kept);
            QCOMPARE(frame.At(left + areaWidth, height / 2), image);
            QCOMPARE(frame.At(width / 2, top - 1), image);
        }
    }

    void aLostScreenEndsTheStream() {
        Rig rig;
        std::string started;
        // No grab ahead: the first request is the first grab.
        QVERIFY(rig.pin->Start(&started));
        rig.screen->m_lost = true;
        Frame frame(320, 240);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        QVERIFY(frame.IsBlack());
        CorvoFrameTiming timing;
        std::string error;
        QCOMPARE(rig.pin->Fill(frame.target, &timing, &error), CorvoFillResult::ScreenLost);
        QCOMPARE(QString::fromStdString(error), QStringLiteral("the screen went away"));
    }

    void aStuckGrabGivesABlackFrameAndNoStaleAnswer() {
        Rig rig;
        std::string started;
        QVERIFY(rig.pin->Start(&started));
        rig.screen->SetGate(false);
        Frame late(320, 240);
        QCOMPARE(rig.Fill(late), CorvoFillResult::Ok);
        QVERIFY(late.IsBlack());
        rig.screen->SetGate(true);
        // The next frame waits for its own picture instead of taking the
        // answer meant for the frame that gave up.
        Frame next(320, 240);
        QCOMPARE(rig.Fill(next), CorvoFillResult::Ok);
        QCOMPARE(next.At(10, 20), ScreenColour(10, 20));
        QVERIFY(late.IsBlack());
    }

    void startFailsWithoutAScreen() {
        Rig rig(0, 0);
        std::string error;
        QVERIFY(!rig.pin->Start(&error));
        QCOMPARE(QString::fromStdString(error), QStringLiteral("no screen here"));
    }

    void unlockEndsAPacingWait() {
        Rig rig;
        rig.settings.SetFrameRate(0);
        QVERIFY(rig.Start());
        Frame frame(320, 240);
        QCOMPARE(rig.Fill(frame), CorvoFillResult::Ok);
        // The next frame is due in two seconds; stopping must not wait for it.
        std::thread stopper([&] {
            QTest::qSleep(50);
            rig.pin->Unlock();
        });
        const CorvoFillResult result = rig.Fill(frame);
        stopper.join();
        QCOMPARE(result, CorvoFillResult::Flushing);
        rig.pin->UnlockStop();
    }
};

KIV_TEST_CLASS(TestCapturePin)
#include "tst_CCorvoCapturePin.moc"
