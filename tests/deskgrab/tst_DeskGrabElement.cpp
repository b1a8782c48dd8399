#include <gst/gst.h>

#include <QImage>
#include <QtTest>
#include <memory>

#include "CCorvoTestDisplay.h"
#include "CDeskGrabPipeline.h"
#include "KivFilterRegistry.h"
#include "KivTestRegistry.h"
#include "ScrCapParamOf.h"

extern "C" void gst_plugin_deskgrab_register(void);

namespace {

QString GrabLine(const QString& format = QStringLiteral("BGRx")) {
    return QStringLiteral(
               "deskgrab name=src ! video/x-raw,format=%1 ! videoconvert ! "
               "video/x-raw,format=BGRx ! appsink name=sink sync=false max-buffers=2")
        .arg(format);
}

bool Near(const QColor& a, const QColor& b, int tolerance) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

// Compares a frame with the pattern over a grid; maps frame pixels to screen
// pixels the way nearest scaling does and skips what the cursor covers.
QString CompareWithPattern(const QImage& frame, const QRect& grabbed, const QRect& cursor,
                           int tolerance) {
    for (int y = 0; y < frame.height(); y += 7) {
        for (int x = 0; x < frame.width(); x += 5) {
            const int screenX = grabbed.left() + x * grabbed.width() / frame.width();
            const int screenY = grabbed.top() + y * grabbed.height() / frame.height();
            if (cursor.contains(screenX, screenY)) {
                continue;
            }
            const QColor expected = CCorvoTestDisplay::PatternColour(screenX, screenY);
            const QColor actual = frame.pixelColor(x, y);
            if (!Near(actual, expected, tolerance)) {
                return QStringLiteral("frame (%1, %2) is %3, screen (%4, %5) is %6")
                    .arg(x)
                    .arg(y)
                    .arg(actual.name())
                    .arg(screenX)
                    .arg(screenY)
                    .arg(expected.name());
            }
        }
    }
    return QString();
}

}  // namespace

class TestDeskGrabElement : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CCorvoTestDisplay> m_display;

    // The pattern on screen and the pointer parked in the bottom-right corner.
    bool PrepareScreen() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            return false;
        }
        if (m_display == nullptr) {
            m_display = std::make_unique<CCorvoTestDisplay>();
        }
        m_display->Raise();
        m_display->MovePointer(m_display->Width() - 1, m_display->Height() - 1);
        return true;
    }

private slots:
    void initTestCase() {
        gst_init(nullptr, nullptr);
        gst_plugin_deskgrab_register();
    }

    void cleanupTestCase() { m_display.reset(); }

    void isFoundByItsClassIdentifier() {
        const char* factoryName = KivFactoryForClsid(KivClsidScreenCapture);
        QCOMPARE(QString::fromLatin1(factoryName), QStringLiteral("deskgrab"));
        GstElementFactory* factory = gst_element_factory_find(factoryName);
        QVERIFY(factory != nullptr);
        QCOMPARE(QString::fromUtf8(
                     gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME)),
                 QStringLiteral("[Corvo] Screen Capture"));
        GstElement* element = gst_element_factory_create(factory, nullptr);
        QVERIFY(ScrCapParamOf(element) != nullptr);
        gst_object_unref(element);
        gst_object_unref(factory);

        GstElement* other = gst_element_factory_make("identity", nullptr);
        QVERIFY(ScrCapParamOf(other) == nullptr);
        gst_object_unref(other);
        QVERIFY(ScrCapParamOf(nullptr) == nullptr);
    }

    void capsFollowTheParameters() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("the capture rectangle is checked against an X screen");
        }
        GstElement* element = gst_element_factory_make("deskgrab", nullptr);
        IScrCapParam* param = ScrCapParamOf(element);
        param->SetCaptureRect(0, 0, 100, 100, 640, 480);
        param->SetFrameRate(0);
        GstPad* pad = gst_element_get_static_pad(element, "src");
        GstCaps* caps = gst_pad_query_caps(pad, nullptr);
        QCOMPARE(gst_caps_get_size(caps), 5u);
        const char* formats[] = {"BGRx", "BGR", "RGB16", "RGB15", "RGB8P"};
        for (guint i = 0; i < 5; ++i) {
            const GstStructure* structure = gst_caps_get_structure(caps, i);
            QCOMPARE(QString::fromLatin1(gst_structure_get_string(structure, "format")),
                     QString::fromLatin1(formats[i]));
            int width = 0, height = 0, num = 0, den = 0;
            gst_structure_get_int(structure, "width", &width);
            gst_structure_get_int(structure, "height", &height);
            gst_structure_get_fraction(structure, "framerate", &num, &den);
            QCOMPARE(width, 640);
            QCOMPARE(height, 480);
            QCOMPARE(num, 1);
            QCOMPARE(den, 2);
        }
        gst_caps_unref(caps);
        gst_object_unref(pad);
        gst_object_unref(element);
    }

    void propertiesReachTheParameters() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("the capture rectangle is checked against an X screen");
        }
        GstElement* element = gst_element_factory_make("deskgrab", nullptr);
        IScrCapParam* param = ScrCapParamOf(element);
        g_object_set(element, "capture-rect", "10,20,330,260,160,120", "frame-rate", 30,
                     "capture-enable", FALSE, nullptr);
        int left = 0, top = 0, right = 0, bottom = 0, width = 0, height = 0, fps = 0, enable = 1;
        param->GetCaptureRect(&left, &top, &right, &bottom, &width, &height);
        param->GetFrameRate(&fps);
        param->GetCaptureEnable(&enable);
        QCOMPARE((QVector<int>{left, top, right, bottom, width, height, fps, enable}),
                 (QVector<int>{10, 20, 330, 260, 160, 120, 30, 0}));
        // Text that is not six numbers changes nothing.
        g_object_set(element, "capture-rect", "1,2,3", nullptr);
        g_object_set(element, "capture-rect", "1,2,3,4,5,6,7", nullptr);
        gchar* text = nullptr;
        g_object_get(element, "capture-rect", &text, nullptr);
        QCOMPARE(QString::fromUtf8(text), QStringLiteral("10,20,330,260,160,120"));
        g_free(text);
        gst_object_unref(element);
    }

    void stateFileIsLoadedWhenNamedAndWrittenAtShutdown() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("the capture rectangle is checked against an X screen");
        }
        QTemporaryDir dir;
        const QByteArray path = dir.filePath(QStringLiteral("deskgrab.state")).toUtf8();
        GstElement* first = gst_element_factory_make("deskgrab", nullptr);
        g_object_set(first, "state-file", path.constData(), nullptr);
        ScrCapParamOf(first)->SetCaptureRect(8, 16, 168, 136, 80, 60);
        ScrCapParamOf(first)->SetFrameRate(10);
        gst_element_set_state(first, GST_STATE_READY);
        gst_element_set_state(first, GST_STATE_NULL);
        gst_object_unref(first);
        QVERIFY(QFile::exists(QString::fromUtf8(path)));

        GstElement* second = gst_element_factory_make("deskgrab", nullptr);
        g_object_set(second, "state-file", path.constData(), nullptr);
        gchar* text = nullptr;
        int fps = 0;
        g_object_get(second, "capture-rect", &text, "frame-rate", &fps, nullptr);
        QCOMPARE(QString::fromUtf8(text), QStringLiteral("8,16,168,136,80,60"));
        QCOMPARE(fps, 10);
        g_free(text);
        gst_object_unref(second);
    }

    void withoutADisplayStartFailsWithAClearError() {
        const QByteArray display = qgetenv("DISPLAY");
        qputenv("DISPLAY", "");
        CDeskGrabPipeline pipeline(QStringLiteral("deskgrab name=src ! fakesink"));
        QVERIFY(pipeline.IsValid());
        const GstStateChangeReturn result = pipeline.Play();
        const QString error = pipeline.BusError();
        qputenv("DISPLAY", display);
        QCOMPARE(result, GST_STATE_CHANGE_FAILURE);
        QVERIFY2(error.contains(QStringLiteral("Cannot capture the screen")), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("DISPLAY")), qPrintable(error));
    }

    void grabsTheWholeScreenTheRightWayUp() {
        if (!PrepareScreen()) {
            QSKIP("needs an X display (run under scripts/with-services)");
        }
        QVERIFY2(m_display->IsOpen(), qPrintable(m_display->Error()));
        const QRect cursor = m_display->CurrentCursor().area;
        CDeskGrabPipeline pipeline(GrabLine());
        pipeline.Param()->SetCaptureRect(0, 0, 0, 0, 0, 0);
        pipeline.Param()->SetFrameRate(-1);
        pipeline.Play();
        const QImage frame = pipeline.Pull();
        QVERIFY2(!frame.isNull(), qPrintable(pipeline.BusError()));
        QCOMPARE(frame.size(), QSize(m_display->Width(), m_display->Height()));
        const QRect screen(0, 0, m_display->Width(), m_display->Height());
        const QString mismatch = CompareWithPattern(frame, screen, cursor, 0);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        // The first row is the top of the screen.
        QCOMPARE(frame.pixelColor(1, 0), CCorvoTestDisplay::PatternColour(1, 0));
        QCOMPARE(frame.pixelColor(1, frame.height() - 1),
                 CCorvoTestDisplay::PatternColour(1, frame.height() - 1));
    }

    void scalesASubRectangle() {
        if (!PrepareScreen()) {
            QSKIP("needs an X display (run under scripts/with-services)");
        }
        QVERIFY2(m_display->IsOpen(), qPrintable(m_display->Error()));
        CDeskGrabPipeline pipeline(GrabLine());
        pipeline.Param()->SetCaptureRect(100, 100, 500, 400, 640, 480);
        pipeline.Param()->SetFrameRate(-1);
        pipeline.Play();
        const QImage frame = pipeline.Pull();
        QVERIFY2(!frame.isNull(), qPrintable(pipeline.BusError()));
        QCOMPARE(frame.size(), QSize(640, 480));
        const QString mismatch = CompareWithPattern(frame, QRect(100, 100, 400, 300), QRect(), 0);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    void drawsTheCursorWhereItIs() {
        if (!PrepareScreen()) {
            QSKIP("needs an X display (run under scripts/with-services)");
        }
        QVERIFY2(m_display->IsOpen(), qPrintable(m_display->Error()));
        m_display->MovePointer(300, 250);
        const CCorvoTestDisplay::Cursor cursor = m_display->CurrentCursor();
        QVERIFY(!cursor.pixels.isEmpty());
        CDeskGrabPipeline pipeline(GrabLine());
        pipeline.Param()->SetCaptureRect(100, 100, 740, 580, 640, 480);
        pipeline.Param()->SetFrameRate(-1);
        pipeline.Play();
        const QImage frame = pipeline.Pull();
        QVERIFY2(!frame.isNull(), qPrintable(pipeline.BusError()));
        int opaque = 0;
        for (int cy = 0; cy < cursor.area.height(); ++cy) {
            for (int cx = 0; cx < cursor.area.width(); ++cx) {
                const quint32 argb = cursor.pixels[cy * cursor.area.width() + cx];
                if (argb >> 24 != 0xff) {
                    continue;
                }
                ++opaque;
                const QPoint at(cursor.area.x() + cx - 100, cursor.area.y() + cy - 100);
                QCOMPARE(frame.pixelColor(at), QColor::fromRgb(argb));
            }
        }
        QVERIFY(opaque > 0);
        // Away from the cursor the pattern shows.
        QCOMPARE(frame.pixelColor(0, 0), CCorvoTestDisplay::PatternColour(100, 100));
    }

    void everyLayoutNegotiates_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("BGRx") << QStringLiteral("BGRx") << 32 << 0;
        QTest::newRow("BGR") << QStringLiteral("BGR") << 24 << 0;
        QTest::newRow("RGB16") << QStringLiteral("RGB16") << 16 << 8;
        QTest::newRow("RGB15") << QStringLiteral("RGB15") << 16 << 8;
        QTest::newRow("RGB8P") << QStringLiteral("RGB8P") << 8 << 26;
    }

    void everyLayoutNegotiates() {
        QFETCH(QString, format);
        QFETCH(int, bits);
        QFETCH(int, tolerance);
        if (!PrepareScreen()) {
            QSKIP("needs an X display (run under scripts/with-services)");
        }
        QVERIFY2(m_display->IsOpen(), qPrintable(m_display->Error()));
        CDeskGrabPipeline pipeline(GrabLine(format));
        pipeline.Param()->SetCaptureRect(40, 30, 360, 270, 320, 240);
        pipeline.Param()->SetFrameRate(-1);
        pipeline.Play();
        const QImage frame = pipeline.Pull();
        QVERIFY2(!frame.isNull(), qPrintable(pipeline.BusError()));
        const QString mismatch =
            CompareWithPattern(frame, QRect(40, 30, 320, 240), QRect(), tolerance);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        int negotiated = 0;
        pipeline.Param()->GetBitCount(&negotiated);
        QCOMPARE(negotiated, bits);
    }

    void sendsTheStillImageWhileCaptureIsOff() {
        if (!PrepareScreen()) {
            QSKIP("needs an X display (run under scripts/with-services)");
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("still.bmp"));
        QImage still(32, 24, QImage::Format_RGB888);
        still.fill(QColor(12, 34, 250));
        QVERIFY(still.save(path, "BMP"));
        CDeskGrabPipeline pipeline(GrabLine());
        pipeline.Param()->SetFrameRate(-1);
        pipeline.Param()->SetImage(1, path.toLocal8Bit().constData());
        pipeline.Play();
        const QImage frame = pipeline.Pull();
        QVERIFY2(!frame.isNull(), qPrintable(pipeline.BusError()));
        QCOMPARE(frame.size(), QSize(320, 240));
        QCOMPARE(frame.pixelColor(0, 0), QColor(12, 34, 250));
        QCOMPARE(frame.pixelColor(319, 239), QColor(12, 34, 250));
    }

    void aNewOutputSizeIsNegotiatedWhileRunning() {
        if (!PrepareScreen()) {
            QSKIP("needs an X display (run under scripts/with-services)");
        }
        CDeskGrabPipeline pipeline(GrabLine());
        pipeline.Param()->SetFrameRate(-1);
        pipeline.Play();
        QCOMPARE(pipeline.Pull().size(), QSize(320, 240));
        pipeline.Param()->SetCaptureRect(0, 0, 400, 300, 400, 300);
        QImage frame;
        for (int i = 0; i < 20 && frame.size() != QSize(400, 300); ++i) {
            frame = pipeline.Pull();
        }
        QCOMPARE(frame.size(), QSize(400, 300));
        const QString mismatch = CompareWithPattern(frame, QRect(0, 0, 400, 300), QRect(), 0);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QVERIFY(pipeline.BusError().isEmpty());
    }
};

KIV_TEST_CLASS(TestDeskGrabElement)
#include "tst_DeskGrabElement.moc"
