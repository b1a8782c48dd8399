#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QtTest>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "CNetSouPipeline.h"
#include "KivTestRegistry.h"

namespace {

constexpr int kRate = 32000;
constexpr double kTone = 440.0;

// Power of one frequency in mono 16-bit samples (Goertzel).
double PowerAt(const std::vector<std::int16_t>& samples, double frequency) {
    const double coefficient = 2.0 * std::cos(2.0 * std::acos(-1.0) * frequency / kRate);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (std::int16_t sample : samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return previous * previous + beforePrevious * beforePrevious -
           coefficient * previous * beforePrevious;
}

std::vector<std::uint8_t> ToneChunk(int chunkIndex) {
    // 10 ms of stereo 16-bit PCM.
    std::vector<std::uint8_t> bytes(1280);
    for (int frame = 0; frame < 320; ++frame) {
        const double t = static_cast<double>(chunkIndex * 320 + frame) / kRate;
        const auto value =
            static_cast<std::int16_t>(12000.0 * std::sin(2.0 * std::acos(-1.0) * kTone * t));
        for (int channel = 0; channel < 2; ++channel) {
            const size_t at = static_cast<size_t>(frame * 4 + channel * 2);
            bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
            bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
        }
    }
    return bytes;
}

}  // namespace

// The audio session's use: PCM pushed into the element plays through the
// default PulseAudio sink; the sink's monitor hears the same tone.
class tst_NetSouPulse : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
            QSKIP("needs PULSE_SERVER (run under scripts/with-services)");
        }
        gst_init(nullptr, nullptr);
        QString error;
        QVERIFY2(CNetSouPipeline::LoadPlugin(&error), qPrintable(error));
    }

    void toneReachesSpeaker() {
        GstPtr<GstElement> recorder(gst_parse_launch(
            "pulsesrc device=kiv_speaker.monitor ! audio/x-raw,format=S16LE,rate=32000,"
            "channels=1 ! appsink name=sink sync=false",
            nullptr));
        GstPtr<GstElement> player(gst_parse_launch(
            "netsou name=source ! audioconvert ! audioresample ! pulsesink device=kiv_speaker",
            nullptr));
        QVERIFY(recorder && player);
        GstPtr<GstElement> source(gst_bin_get_by_name(GST_BIN(player.get()), "source"));
        GstPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(recorder.get()), "sink"));
        INetSourceControl* control = nullptr;
        g_object_get(source.get(), kNetSourceControlProperty, &control, nullptr);
        QVERIFY(control != nullptr);
        QCOMPARE(control->SetAudioMode(101, kRate, 16, 2, 4096), INetSourceControl::kOk);
        QVERIFY(gst_element_set_state(recorder.get(), GST_STATE_PLAYING) !=
                GST_STATE_CHANGE_FAILURE);
        // The monitor records before the player starts, so it hears it whole.
        QVERIFY(GstPtr<GstSample>(
            gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND)));
        QVERIFY(gst_element_set_state(player.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE);

        // The owner pushes as the network delivers: one chunk per 10 ms.
        std::atomic<bool> pushing{true};
        std::thread pusher([&] {
            for (int chunk = 0; pushing && chunk < 300; ++chunk) {
                const auto bytes = ToneChunk(chunk);
                control->PushData(bytes.data(), int(bytes.size()), 0, 0);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        std::vector<std::int16_t> heard;
        bool toneHeard = false;
        for (int pulls = 0; pulls < 400 && !toneHeard; ++pulls) {
            GstPtr<GstSample> sample(
                gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 2 * GST_SECOND));
            if (!sample) {
                break;
            }
            GstBuffer* buffer = gst_sample_get_buffer(sample.get());
            const size_t at = heard.size();
            heard.resize(at + gst_buffer_get_size(buffer) / 2);
            gst_buffer_extract(buffer, 0, heard.data() + at, (heard.size() - at) * 2);
            if (heard.size() >= 3200) {
                const std::vector<std::int16_t> window(heard.end() - 3200, heard.end());
                toneHeard = PowerAt(window, kTone) > 100.0 * PowerAt(window, 1000.0) &&
                            PowerAt(window, kTone) > 1e12;
            }
        }
        pushing = false;
        pusher.join();
        gst_element_set_state(player.get(), GST_STATE_NULL);
        gst_element_set_state(recorder.get(), GST_STATE_NULL);
        QVERIFY(toneHeard);
    }
};

KIV_TEST_CLASS(tst_NetSouPulse)
#include "tst_NetSouPulse.moc"
