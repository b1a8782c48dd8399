#include <gst/gst.h>
#include <gst/video/video.h>

#include <QtTest>
#include <algorithm>
#include <vector>

#include "CNetSouPipeline.h"
#include "CTestH264Encoder.h"
#include "CTestPattern.h"
#include "KivFilterRegistry.h"
#include "KivTestRegistry.h"

namespace {

constexpr std::int32_t kOk = INetSourceControl::kOk;

std::vector<std::uint8_t> Bytes(GstSample* sample) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    std::vector<std::uint8_t> bytes(gst_buffer_get_size(buffer));
    gst_buffer_extract(buffer, 0, bytes.data(), bytes.size());
    return bytes;
}

bool IsSilent(const std::vector<std::uint8_t>& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

std::vector<std::uint8_t> Pcm(int length) {
    std::vector<std::uint8_t> bytes(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        bytes[static_cast<size_t>(i)] = static_cast<std::uint8_t>(1 + i % 251);
    }
    return bytes;
}

// The picture of a sample without row padding, rows as they come (top-down);
// empty when the caps are not raw video of the given size.
std::vector<std::uint8_t> Picture(GstSample* sample, int width, int height) {
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
        GST_VIDEO_INFO_WIDTH(&info) != width || GST_VIDEO_INFO_HEIGHT(&info) != height) {
        return {};
    }
    const auto bytes = Bytes(sample);
    const size_t stride = static_cast<size_t>(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0));
    const size_t rowBytes = static_cast<size_t>(width) * GST_VIDEO_INFO_COMP_PSTRIDE(&info, 0);
    if (bytes.size() < stride * static_cast<size_t>(height)) {
        return {};
    }
    std::vector<std::uint8_t> picture;
    for (int row = 0; row < height; ++row) {
        picture.insert(picture.end(), bytes.begin() + row * stride,
                       bytes.begin() + row * stride + rowBytes);
    }
    return picture;
}

QString CapsName(GstSample* sample) {
    return QString::fromUtf8(
        gst_structure_get_name(gst_caps_get_structure(gst_sample_get_caps(sample), 0)));
}

QString CapsString(GstSample* sample, const char* field) {
    return QString::fromUtf8(
        gst_structure_get_string(gst_caps_get_structure(gst_sample_get_caps(sample), 0), field));
}

int CapsInt(GstSample* sample, const char* field) {
    int value = -1;
    gst_structure_get_int(gst_caps_get_structure(gst_sample_get_caps(sample), 0), field, &value);
    return value;
}

std::vector<std::vector<std::uint8_t>> EncodeStream(int width, int height, int frames) {
    CTestH264Encoder encoder(width, height, 4);
    std::vector<std::vector<std::uint8_t>> units;
    for (int i = 0; i < frames && encoder.IsOpen(); ++i) {
        units.push_back(encoder.Encode(CTestPattern::Make(width, height, i, 3)));
    }
    return units;
}

void PushAll(INetSourceControl* control, const std::vector<std::vector<std::uint8_t>>& units) {
    for (const auto& unit : units) {
        QCOMPARE(control->PushData(unit.data(), int(unit.size()), 0, 0), kOk);
    }
}

}  // namespace

class tst_NetSouElement : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        gst_init(nullptr, nullptr);
        QString error;
        QVERIFY2(CNetSouPipeline::LoadPlugin(&error), qPrintable(error));
    }

    void factoryFoundByClassIdentifier() {
        const char* name = KivFactoryForClsid(KivClsidNetSource);
        QVERIFY(name != nullptr);
        GstPtr<GstElementFactory> factory(gst_element_factory_find(name));
        QVERIFY(factory);
        QCOMPARE(QString::fromUtf8(gst_element_factory_get_metadata(factory.get(),
                                                                    GST_ELEMENT_METADATA_LONGNAME)),
                 QString("[Corvo] Video Source"));
        QCOMPARE(gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(factory.get())),
                 guint(GST_RANK_NONE));
    }

    // PCM at 32000 Hz stereo: 4096 pushed bytes leave as three 1280-byte
    // chunks; with the rest held back the ring plays silence, not the last
    // chunk again.
    void pcmLeavesInChunks() {
        CNetSouPipeline pipeline("max-buffers=4 drop=false");
        QVERIFY(pipeline.IsValid() && pipeline.Control() != nullptr);
        QCOMPARE(pipeline.Control()->SetAudioMode(101, 32000, 16, 2, 4096), kOk);
        QVERIFY(pipeline.SetState(GST_STATE_PLAYING));
        const auto pcm = Pcm(4096);
        QCOMPARE(pipeline.Control()->PushData(pcm.data(), 4096, 0, 0), kOk);

        GstPtr<GstSample> sample = pipeline.Pull();
        QVERIFY(sample);
        QCOMPARE(CapsName(sample.get()), QString("audio/x-raw"));
        QCOMPARE(CapsString(sample.get(), "format"), QString("S16LE"));
        QCOMPARE(CapsString(sample.get(), "layout"), QString("interleaved"));
        QCOMPARE(CapsInt(sample.get(), "rate"), 32000);
        QCOMPARE(CapsInt(sample.get(), "channels"), 2);
        // Silence delivered before the push came through comes first.
        for (int pulls = 0; pulls < 50 && sample && IsSilent(Bytes(sample.get())); ++pulls) {
            QCOMPARE(Bytes(sample.get()).size(), size_t(1280));
            sample = pipeline.Pull();
        }
        for (int chunk = 0; chunk < 3; ++chunk) {
            QVERIFY(sample);
            const auto bytes = Bytes(sample.get());
            QCOMPARE(bytes.size(), size_t(1280));
            QVERIFY(std::equal(bytes.begin(), bytes.end(), pcm.begin() + chunk * 1280));
            sample = pipeline.Pull();
        }
        QVERIFY(sample);
        QVERIFY(IsSilent(Bytes(sample.get())));
    }

    // After a pause the element takes pushes and delivers again.
    void playsAgainAfterPause() {
        CNetSouPipeline pipeline("max-buffers=4 drop=false");
        QVERIFY(pipeline.IsValid());
        QCOMPARE(pipeline.Control()->SetAudioMode(101, 16000, 16, 1, 4096), kOk);
        QVERIFY(pipeline.SetState(GST_STATE_PLAYING));
        QVERIFY(pipeline.Pull());
        QVERIFY(pipeline.SetState(GST_STATE_PAUSED));
        QVERIFY(pipeline.SetState(GST_STATE_PLAYING));
        const auto pcm = Pcm(320);
        QCOMPARE(pipeline.Control()->PushData(pcm.data(), 320, 0, 0), kOk);
        bool found = false;
        for (int pulls = 0; pulls < 50 && !found; ++pulls) {
            GstPtr<GstSample> sample = pipeline.Pull();
            QVERIFY(sample);
            found = Bytes(sample.get()) == pcm;
        }
        QVERIFY(found);
    }

    // Raw bottom-up frames leave as top-down GStreamer pictures with padded
    // rows where the format needs them.
    void rawFramesTurnTopDown_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("format");
        QTest::newRow("24-bit, padded rows") << 11 << 322 << "BGR";
        QTest::newRow("32-bit") << 12 << 320 << "BGRx";
    }
    void rawFramesTurnTopDown() {
        QFETCH(int, mode);
        QFETCH(int, width);
        QFETCH(QString, format);
        const int height = 240;
        const int bytesPerPixel = mode == 11 ? 3 : 4;
        CNetSouPipeline pipeline("max-buffers=4 drop=false");
        QVERIFY(pipeline.IsValid());
        QCOMPARE(pipeline.Control()->SetVideoMode(mode, width, height), kOk);
        QVERIFY(pipeline.SetState(GST_STATE_PLAYING));
        const auto topDown = CTestPattern::Make(width, height, 0, bytesPerPixel);
        const auto bottomUp = CTestPattern::FlipRows(topDown, width, height, bytesPerPixel);
        QCOMPARE(pipeline.Control()->PushData(bottomUp.data(), int(bottomUp.size()), 0, 0), kOk);
        GstPtr<GstSample> sample = pipeline.Pull();
        QVERIFY(sample);
        QCOMPARE(CapsName(sample.get()), QString("video/x-raw"));
        QCOMPARE(CapsString(sample.get(), "format"), format);
        QCOMPARE(Picture(sample.get(), width, height), topDown);
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        QVERIFY(!GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT));
    }

    // A mode switch while playing brings new caps with the next sample.
    void modeSwitchRenegotiates() {
        CNetSouPipeline pipeline("max-buffers=4 drop=false");
        QVERIFY(pipeline.IsValid());
        QCOMPARE(pipeline.Control()->SetVideoMode(11, 64, 48), kOk);
        QVERIFY(pipeline.SetState(GST_STATE_PLAYING));
        const auto first = CTestPattern::Make(64, 48, 0, 3);
        QCOMPARE(pipeline.Control()->PushData(first.data(), int(first.size()), 0, 0), kOk);
        GstPtr<GstSample> sample = pipeline.Pull();
        QVERIFY(sample);
        QCOMPARE(CapsString(sample.get(), "format"), QString("BGR"));

        QCOMPARE(pipeline.Control()->SetVideoMode(12, 32, 16), kOk);
        const auto second = CTestPattern::Make(32, 16, 1, 4);
        QCOMPARE(pipeline.Control()->PushData(second.data(), int(second.size()), 0, 0), kOk);
        // The switch may first repeat a picture in the new format; the
        // pushed frame follows.
        const auto expected = CTestPattern::FlipRows(second, 32, 16, 4);
        bool shown = false;
        for (int pulls = 0; pulls < 10 && !shown; ++pulls) {
            sample = pipeline.Pull();
            QVERIFY(sample);
            shown = CapsString(sample.get(), "format") == "BGRx" &&
                    Picture(sample.get(), 32, 16) == expected;
        }
        QVERIFY(shown);
    }

    // Mode 1: units decoded as they are pushed; the latest picture shows.
    void h264DecodedAtPush() {
        const auto units = EncodeStream(320, 240, 8);
        QCOMPARE(units.size(), size_t(8));
        CNetSouPipeline pipeline("max-buffers=1 drop=true");
        QVERIFY(pipeline.IsValid());
        QCOMPARE(pipeline.Control()->SetVideoMode(1, 320, 240), kOk);
        QVERIFY(pipeline.SetState(GST_STATE_PLAYING));
        PushAll(pipeline.Control(), units);
        const auto expected = CTestPattern::Make(320, 240, 7, 3);
        double diff = 1e9;
        for (int pulls = 0; pulls < 6 && diff >= 3.0; ++pulls) {
            GstPtr<GstSample> sample = pipeline.Pull();
            QVERIFY(sample);
            const auto picture = Picture(sample.get(), 320, 240);
            QCOMPARE(picture.size(), expected.size());
            diff = CTestPattern::MeanAbsDiff(picture.data(), expected.data(), 320, 240, 3);
        }
        QVERIFY2(diff < 3.0, qPrintable(QString("differs by %1").arg(diff)));
    }

    // Mode 3: every queued unit gives one picture, in order.
    void h264DecodedWhenDelivered() {
        const auto units = EncodeStream(320, 240, 8);
        CNetSouPipeline pipeline("max-buffers=4 drop=false");
        QVERIFY(pipeline.IsValid());
        QCOMPARE(pipeline.Control()->SetVideoMode(3, 320, 240), kOk);
        QVERIFY(pipeline.SetState(GST_STATE_PLAYING));
        PushAll(pipeline.Control(), units);
        for (int i = 0; i < 8; ++i) {
            GstPtr<GstSample> sample = pipeline.Pull();
            QVERIFY(sample);
            const auto picture = Picture(sample.get(), 320, 240);
            const auto expected = CTestPattern::Make(320, 240, i, 3);
            QCOMPARE(picture.size(), expected.size());
            const double diff =
                CTestPattern::MeanAbsDiff(picture.data(), expected.data(), 320, 240, 3);
            QVERIFY2(diff < 3.0, qPrintable(QString("frame %1 differs by %2").arg(i).arg(diff)));
        }
    }

    // Mode 2: units leave unchanged as H.264 byte-stream, from the first key.
    void h264PassedThrough() {
        const auto units = EncodeStream(160, 120, 6);
        CNetSouPipeline pipeline("max-buffers=8 drop=false");
        QVERIFY(pipeline.IsValid());
        QCOMPARE(pipeline.Control()->SetVideoMode(2, 160, 120), kOk);
        QVERIFY(pipeline.SetState(GST_STATE_PLAYING));
        // The stream joined after its key: nothing until the next key (unit 4).
        PushAll(pipeline.Control(), {units.begin() + 1, units.end()});
        for (size_t i = 4; i < units.size(); ++i) {
            GstPtr<GstSample> sample = pipeline.Pull();
            QVERIFY(sample);
            QCOMPARE(CapsName(sample.get()), QString("video/x-h264"));
            QCOMPARE(CapsString(sample.get(), "stream-format"), QString("byte-stream"));
            QCOMPARE(Bytes(sample.get()), units[i]);
        }
    }
};

KIV_TEST_CLASS(tst_NetSouElement)
#include "tst_NetSouElement.moc"
