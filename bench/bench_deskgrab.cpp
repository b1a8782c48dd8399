// Frames per second of the screen capture source at 1280 x 800, on one core.
// Starts its own Xvfb of that size (it needs the Xvfb program) and pins
// itself and the X server to the first CPU, so both share one core.
#include <gst/gst.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ScrCapParamOf.h"

extern "C" void gst_plugin_deskgrab_register(void);
extern char** environ;

namespace {

constexpr int kFrames = 300;

// An Xvfb of our own, stopped when this goes away.
class XvfbProcess {
public:
    bool Start(std::string* display) {
        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb",        "-displayfd", fd.c_str(), "-screen",  "0",
                              "1280x800x24", "-nolisten",  "tcp",      "-noreset", nullptr};
        const int spawned =
            posix_spawnp(&m_pid, "Xvfb", nullptr, nullptr, const_cast<char* const*>(argv), environ);
        close(fds[1]);
        if (spawned != 0) {
            close(fds[0]);
            m_pid = 0;
            return false;
        }
        // Xvfb writes its display number once it accepts clients.
        pollfd ready{fds[0], POLLIN, 0};
        char number[16] = {};
        const bool answered = poll(&ready, 1, 10000) == 1 && read(fds[0], number, 15) > 0;
        close(fds[0]);
        *display = ":" + std::to_string(std::atoi(number));
        return answered;
    }

    ~XvfbProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    // User plus system CPU time of the server so far.
    double CpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string skip;
        for (int i = 0; i < 11; ++i) {
            fields >> skip;
        }
        double user = 0, system = 0;
        fields >> user >> system;
        return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

private:
    pid_t m_pid = 0;
};

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Wall and CPU time (ours and the X server's) between the first and the
// last frame, so that start-up and shut-down stay out of the figures.
struct Timing {
    const XvfbProcess* server = nullptr;
    int frames = 0;
    std::chrono::steady_clock::time_point first;
    std::chrono::steady_clock::time_point last;
    double firstCpu = 0;
    double lastCpu = 0;
};

GstPadProbeReturn CountFrame(GstPad*, GstPadProbeInfo*, gpointer data) {
    auto* timing = static_cast<Timing*>(data);
    const int frame = timing->frames++;
    if (frame == 0 || frame == kFrames) {
        const auto now = std::chrono::steady_clock::now();
        const double cpu = ProcessCpuSeconds() + timing->server->CpuSeconds();
        (frame == 0 ? timing->first : timing->last) = now;
        (frame == 0 ? timing->firstCpu : timing->lastCpu) = cpu;
    }
    return GST_PAD_PROBE_OK;
}

// Runs kFrames frames (plus one to start the clock) through the line and prints the rate.
void Measure(const char* label, const char* line, const char* rect, int fps,
             const XvfbProcess& server) {
    GError* error = nullptr;
    const std::string description =
        std::string("deskgrab name=src num-buffers=") + std::to_string(kFrames + 1) + " ! " + line;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (error != nullptr) {
        std::printf("%-44s cannot build the pipeline: %s\n", label, error->message);
        g_error_free(error);
        return;
    }
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(source, "capture-rect", rect, nullptr);
    ScrCapParamOf(source)->SetFrameRate(fps);
    gst_object_unref(source);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    Timing timing;
    timing.server = &server;
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountFrame, &timing, nullptr);
    gst_object_unref(pad);
    gst_object_unref(sink);

    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool failed = end != nullptr && GST_MESSAGE_TYPE(end) == GST_MESSAGE_ERROR;
    if (end != nullptr) {
        gst_message_unref(end);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (failed || timing.frames < kFrames + 1) {
        std::printf("%-44s failed after %d frames\n", label, timing.frames);
        return;
    }
    const double seconds = std::chrono::duration<double>(timing.last - timing.first).count();
    std::printf("%-44s %7.1f frames/s  %6.2f ms CPU per frame (capture + X server)\n", label,
                kFrames / seconds, 1000.0 * (timing.lastCpu - timing.firstCpu) / kFrames);
}

}  // namespace

int main(int argc, char** argv) {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(0, &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) {
        std::perror("sched_setaffinity");
    }
    XvfbProcess server;
    std::string display;
    if (!server.Start(&display)) {
        std::fprintf(stderr,
                     "bench_deskgrab: cannot start Xvfb (is the xvfb package installed?)\n");
        return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    gst_init(&argc, &argv);
    gst_plugin_deskgrab_register();

    std::printf("DeskGrab on Xvfb %s 1280x800x24, %d frames each, one core\n", display.c_str(),
                kFrames);
    const char* whole = "0,0,1280,800,1280,800";
    Measure("1280x800 RGB32, unpaced", "video/x-raw,format=BGRx ! fakesink name=sink sync=false",
            whole, -1, server);
    Measure("1280x800 RGB24, unpaced", "video/x-raw,format=BGR ! fakesink name=sink sync=false",
            whole, -1, server);
    Measure("1280x800 RGB565, unpaced", "video/x-raw,format=RGB16 ! fakesink name=sink sync=false",
            whole, -1, server);
    Measure("1280x800 scaled to 640x400 RGB32, unpaced",
            "video/x-raw,format=BGRx ! fakesink name=sink sync=false", "0,0,1280,800,640,400", -1,
            server);
    Measure("1280x800 RGB32, paced at 30 fps",
            "video/x-raw,format=BGRx ! fakesink name=sink sync=false", whole, 30, server);
    return 0;
}
