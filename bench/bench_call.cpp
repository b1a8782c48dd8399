// bench_call: a whole call between two real clients for 30 seconds on the
// virtual display (run it under scripts/with-services). It prints the
// pictures drawn per second in each remote window, the delay of the video
// from capture to drawing (from the stamped test picture), the mouth-to-ear
// delay of the sound (noise bursts from A's microphone to B's speaker, both
// recorded on one clock) and the CPU share of each call window.
#include <gst/gst.h>

#include <QApplication>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <map>

#include "CKivDevServerProcess.h"
#include "CMouthToEar.h"
#include "CPulseDevices.h"
#include "CallViewCallRig.h"
#include "KivProcessCpu.h"
#include "KivScreen.h"

using namespace CallViewCallRig;

namespace {

constexpr int kSeconds = 30;
constexpr int kReportSeconds = 5;
constexpr int kBursts = 10;

struct Figures {
    int reports = 0;
    qint64 frames = 0;
    std::vector<double> delays;
};

// "picturelink-figures pid=P call=C frames=N median-delay-ms=D" lines.
void ReadFigures(QProcess& client, std::map<qint64, Figures>& figures, bool count) {
    static const QRegularExpression line(
        QStringLiteral("picturelink-figures pid=(\\d+) call=\\d+ frames=(\\d+) "
                       "median-delay-ms=(-?\\d+)"));
    while (client.canReadLine()) {
        const QString text = QString::fromLocal8Bit(client.readLine());
        const QRegularExpressionMatch match = line.match(text);
        if (!match.hasMatch() || !count) {
            continue;
        }
        Figures& f = figures[match.captured(1).toLongLong()];
        ++f.reports;
        f.frames += match.captured(2).toLongLong();
        if (match.captured(3).toInt() >= 0) {
            f.delays.push_back(match.captured(3).toDouble());
        }
    }
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return -1.0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int Fail(const char* why) {
    std::fprintf(stderr, "bench_call: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    if (!KivScreen::Available() || qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        return Fail("needs a display and a PulseAudio server (run under scripts/with-services)");
    }
    CPulseDevices devices;
    CCallSinks sinks;
    if (!devices.AddCallSinks(QStringLiteral("kiv_bench_"), &sinks)) {
        return Fail("pactl refused a null sink");
    }
    CKivDevServerProcess server;
    if (!server.start()) {
        return Fail("the development server did not start");
    }
    const QStringList figuresEvery = {
        QStringLiteral("KIV_PICTURELINK_FIGURES=%1").arg(kReportSeconds)};
    Client a(server, sinks.micA + QStringLiteral(".monitor"), sinks.spkA, figuresEvery);
    Client b(server, sinks.micB + QStringLiteral(".monitor"), sinks.spkB, figuresEvery);
    QString mainA;
    QString mainB;
    const auto loggedIn = [](Client& client, const QString& name, QString* window) {
        return QTest::qWaitFor([&] { return !(*window = WindowOf(client.pid(), name)).isEmpty(); },
                               20000);
    };
    if (!a.start(QProcess::MergedChannels) || !b.start(QProcess::MergedChannels) ||
        !a.login(QStringLiteral("10001"), 660, 100) ||
        !loggedIn(a, QStringLiteral("^Lumo - 张三$"), &mainA)) {
        return Fail("no login");
    }
    Move(mainA, 20, 100);
    DismissFriendRequests(a.pid());
    if (!b.login(QStringLiteral("10002"), 660, 100) ||
        !loggedIn(b, QStringLiteral("^Lumo - 李四$"), &mainB)) {
        return Fail("no login");
    }
    Move(mainB, 980, 100);
    QTest::qWait(500);
    Click(mainA, QPoint(100, 178), 2);
    QString chat;
    if (!QTest::qWaitFor(
            [&] { return !(chat = WindowOf(a.pid(), QStringLiteral("^李四$"))).isEmpty(); },
            20000)) {
        return Fail("no chat dialog");
    }
    Move(chat, 600, 250);
    QTest::qWait(500);
    Click(chat, kCallButton);
    QString cue;
    if (!QTest::qWaitFor(
            [&] { return !(cue = WindowOf(b.pid(), QStringLiteral("^视频通话请求$"))).isEmpty(); },
            20000)) {
        return Fail("no call request");
    }
    QTest::qWait(300);
    Click(cue, kCueAccept);
    if (!QTest::qWaitFor([] { return CallWindows().size() == 2; }, 20000)) {
        return Fail("the call windows did not open");
    }
    const QStringList windows = CallWindows();
    Move(windows[0], 10, 10);
    Move(windows[1], 545, 10);
    QList<qint64> callPids;
    for (const QString& window : windows) {
        callPids << Xdo({QStringLiteral("getwindowpid"), window}).toLongLong();
    }

    // Warm up, then count whole report intervals only.
    std::map<qint64, Figures> figures;
    QTest::qWait(3000);
    ReadFigures(a.process(), figures, false);
    ReadFigures(b.process(), figures, false);
    std::map<qint64, double> cpuBefore;
    for (qint64 pid : callPids) {
        cpuBefore[pid] = KivProcessCpuSeconds(pid);
    }
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(kSeconds * 1000);
    const double elapsed = clock.elapsed() / 1000.0;
    std::map<qint64, double> cpu;
    for (qint64 pid : callPids) {
        cpu[pid] = (KivProcessCpuSeconds(pid) - cpuBefore[pid]) / elapsed;
    }
    ReadFigures(a.process(), figures, true);
    ReadFigures(b.process(), figures, true);

    // The sound alone, after the figures above: A's microphone and B's speaker
    // recorded on one clock while marked bursts go into the microphone.
    CMouthToEar meter(sinks.micA, sinks.spkB);
    std::vector<double> mouthToEar;
    if (meter.StartRecording() && meter.PlayBursts(kBursts)) {
        QTest::qWait(1500);
        mouthToEar = meter.Delays();
    }

    QProcess lscpu;
    lscpu.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("lscpu | grep 'Model name'")});
    lscpu.waitForFinished(5000);
    std::printf("bench_call: %s\n", lscpu.readAllStandardOutput().simplified().constData());
    std::printf("bench_call: %d s of a call between two clients, 320 x 240 video\n", kSeconds);
    for (qint64 pid : callPids) {
        const Figures& f = figures[pid];
        // Reports cover whole intervals; the frames over the intervals reported.
        const double reported = double(f.reports * kReportSeconds);
        std::printf(
            "  call window %lld: %.1f pictures/s drawn (goal >= 25), video delay median "
            "%.0f ms (goal < 200), CPU %.0f %% of one core (goal < 50)\n",
            static_cast<long long>(pid), reported > 0 ? f.frames / reported : 0.0, Median(f.delays),
            100.0 * cpu[pid]);
    }
    std::printf(
        "  sound, mouth to ear A -> B: median %.0f ms, p95 %.0f ms over %zu of %d bursts "
        "(goal: median <= 150, p95 <= 200)\n",
        CMouthToEar::Percentile(mouthToEar, 0.5), CMouthToEar::Percentile(mouthToEar, 0.95),
        mouthToEar.size(), kBursts);
    Click(windows[0], kCallViewClose);
    QTest::qWait(1000);
    return 0;
}
