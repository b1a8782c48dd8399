// H.264 pictures per second at 320x240 and 1280x720: AvcUnpack on its own,
// then through the netsou element decoding at push (mode 1) and decoding
// queued units on its streaming thread (mode 3) into a fakesink.
#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "AvcUnpack.h"
#include "CTestH264Encoder.h"
#include "CTestPattern.h"
#include "INetSourceControl.h"

namespace {

using Units = std::vector<std::vector<std::uint8_t>>;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 3;
// Units the pusher may run ahead of delivery; the queue has 15 slots.
constexpr int kQueueAhead = 10;

struct GstUnref {
    void operator()(GstElement* element) const { gst_object_unref(element); }
};
using ElementPtr = std::unique_ptr<GstElement, GstUnref>;

struct DecoderCloser {
    void operator()(void* decoder) const { AvcUnpackUnInit(decoder); }
};

Units Encode(int width, int height, int frames) {
    CTestH264Encoder encoder(width, height, 50);
    Units units;
    for (int i = 0; i < frames && encoder.IsOpen(); ++i) {
        units.push_back(encoder.Encode(CTestPattern::Make(width, height, i % 25, 3)));
    }
    return units;
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double DecodeAlone(const Units& units, int width, int height) {
    std::vector<std::uint8_t> out(static_cast<size_t>(width) * height * 3);
    double best = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<void, DecoderCloser> decoder(AvcUnpackInit());
        const auto start = Clock::now();
        for (const auto& unit : units) {
            int w = width;
            int h = height;
            AvcUnpackProc(decoder.get(), unit.data(), int(unit.size()), out.data(), &w, &h,
                          nullptr);
        }
        best = std::min(best, Seconds(start));
    }
    return units.size() / best;
}

// Counts buffers reaching the fakesink and lets the pusher wait for them.
struct Delivery {
    std::mutex lock;
    std::condition_variable changed;
    int count = 0;

    static void OnHandoff(GstElement*, GstBuffer*, GstPad*, gpointer self) {
        auto* delivery = static_cast<Delivery*>(self);
        {
            std::lock_guard<std::mutex> guard(delivery->lock);
            ++delivery->count;
        }
        delivery->changed.notify_all();
    }

    void WaitFor(int wanted) {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return count >= wanted; });
    }
};

double ThroughElement(const Units& units, int width, int height, int mode) {
    double best = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        ElementPtr pipeline(gst_parse_launch(
            "netsou name=source ! fakesink name=sink sync=false signal-handoffs=true", nullptr));
        ElementPtr source(gst_bin_get_by_name(GST_BIN(pipeline.get()), "source"));
        ElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
        INetSourceControl* control = nullptr;
        g_object_get(source.get(), kNetSourceControlProperty, &control, nullptr);
        Delivery delivery;
        g_signal_connect(sink.get(), "handoff", G_CALLBACK(Delivery::OnHandoff), &delivery);
        control->SetVideoMode(mode, width, height);
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
        gst_element_get_state(source.get(), nullptr, nullptr, GST_CLOCK_TIME_NONE);

        const auto start = Clock::now();
        for (size_t i = 0; i < units.size(); ++i) {
            if (mode == 3) {
                delivery.WaitFor(static_cast<int>(i) - kQueueAhead);
            }
            control->PushData(units[i].data(), int(units[i].size()), 0, 0);
        }
        if (mode == 3) {
            delivery.WaitFor(static_cast<int>(units.size()));
        }
        best = std::min(best, Seconds(start));
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    }
    return units.size() / best;
}

void Measure(int width, int height, int frames) {
    const Units units = Encode(width, height, frames);
    size_t bytes = 0;
    for (const auto& unit : units) {
        bytes += unit.size();
    }
    std::printf("%dx%d, %zu units, %.1f KB per unit:\n", width, height, units.size(),
                bytes / 1024.0 / std::max<size_t>(units.size(), 1));
    std::printf("  AvcUnpack alone          %8.1f fps\n", DecodeAlone(units, width, height));
    std::printf("  netsou mode 1 (at push)  %8.1f fps\n", ThroughElement(units, width, height, 1));
    std::printf("  netsou mode 3 (queued)   %8.1f fps\n", ThroughElement(units, width, height, 3));
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    GError* failure = nullptr;
    GstPlugin* plugin = gst_plugin_load_file(NETSOU_PLUGIN_FILE, &failure);
    if (plugin == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", NETSOU_PLUGIN_FILE,
                     failure != nullptr ? failure->message : "unknown error");
        g_clear_error(&failure);
        return 1;
    }
    gst_object_unref(plugin);
    Measure(320, 240, 500);
    Measure(1280, 720, 200);
    return 0;
}
