// bench_call: whole calls between two real clients on the virtual display
// (run it under scripts/with-services). For every call it prints the pictures
// drawn per second in each remote window, the delay of the video from capture
// to drawing (from the stamped test picture), the mouth-to-ear delay of the
// sound (noise bursts from A's microphone to B's speaker, both recorded on one
// clock, all through the call) with its largest change after the first 5 s,
// and the CPU share of each call window.
//
//   bench_call [--calls N] [--seconds S]      (default: one call of 30 s)
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

constexpr int kReportSeconds = 5;
// The sound is judged after the call's first seconds, in rounds of bursts.
constexpr int kSettleSeconds = 5;
constexpr int kBurstsPerRound = 20;

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

int Option(const QStringList& arguments, const QString& name, int fallback) {
    const int at = arguments.indexOf(name);
    return at > 0 && at + 1 < arguments.size() ? std::max(1, arguments[at + 1].toInt()) : fallback;
}

double Range(const std::vector<double>& values) {
    return values.empty() ? -1.0
                          : *std::max_element(values.begin(), values.end()) -
                                *std::min_element(values.begin(), values.end());
}

struct Call {
    std::vector<double> mouthToEar;
    int bursts = 0;
    std::map<qint64, Figures> video;
    std::map<qint64, double> cpu;
};

// A calls B from the open chat window and B takes the call; the two call windows.
bool PlaceCall(qint64 callee, const QString& chat, QStringList* windows) {
    Click(chat, kCallButton);
    QString cue;
    if (!QTest::qWaitFor(
            [&] { return !(cue = WindowOf(callee, QStringLiteral("^视频通话请求$"))).isEmpty(); },
            20000)) {
        return false;
    }
    QTest::qWait(300);
    Click(cue, kCueAccept);
    if (!QTest::qWaitFor([] { return CallWindows().size() == 2; }, 20000)) {
        return false;
    }
    *windows = CallWindows();
    Move((*windows)[0], 10, 10);
    Move((*windows)[1], 545, 10);
    return true;
}

// One call of `seconds`: after its first seconds, the video figures and the
// CPU over the rest of it, and the sound in rounds of bursts meanwhile.
bool Measure(Client& a, Client& b, const CCallSinks& sinks, const QStringList& windows, int seconds,
             Call* call) {
    QList<qint64> callPids;
    for (const QString& window : windows) {
        callPids << Xdo({QStringLiteral("getwindowpid"), window}).toLongLong();
    }
    QTest::qWait(kSettleSeconds * 1000);
    ReadFigures(a.process(), call->video, false);
    ReadFigures(b.process(), call->video, false);
    std::map<qint64, double> cpuBefore;
    for (qint64 pid : callPids) {
        cpuBefore[pid] = KivProcessCpuSeconds(pid);
    }
    QElapsedTimer clock;
    clock.start();
    // A round of bursts takes about 11 s.
    while (clock.elapsed() + 11000 <= qint64(seconds - kSettleSeconds) * 1000) {
        CMouthToEar meter(sinks.micA, sinks.spkB);
        if (!meter.StartRecording() || !meter.PlayBursts(kBurstsPerRound)) {
            return false;
        }
        QTest::qWait(300);
        const std::vector<double> round = meter.Delays();
        call->mouthToEar.insert(call->mouthToEar.end(), round.begin(), round.end());
        call->bursts += kBurstsPerRound;
        // The clients' output is read between rounds, so their pipes never fill.
        ReadFigures(a.process(), call->video, true);
        ReadFigures(b.process(), call->video, true);
    }
    const double elapsed = clock.elapsed() / 1000.0;
    for (qint64 pid : callPids) {
        call->cpu[pid] = (KivProcessCpuSeconds(pid) - cpuBefore[pid]) / elapsed;
    }
    ReadFigures(a.process(), call->video, true);
    ReadFigures(b.process(), call->video, true);
    return true;
}

void PrintCall(int index, const Call& call) {
    const std::vector<double>& delays = call.mouthToEar;
    std::printf(
        "  call %d: mouth to ear A -> B median %.0f ms, p95 %.0f ms, largest change %.0f ms "
        "over %zu of %d bursts\n",
        index + 1, CMouthToEar::Percentile(delays, 0.5), CMouthToEar::Percentile(delays, 0.95),
        Range(delays), delays.size(), call.bursts);
    for (const auto& [pid, f] : call.video) {
        // Reports cover whole intervals; the frames over the intervals reported.
        const double reported = double(f.reports * kReportSeconds);
        const auto cpu = call.cpu.find(pid);
        std::printf(
            "    call window %lld: %.1f pictures/s drawn, video delay median %.0f ms, CPU %.0f %% "
            "of one core\n",
            static_cast<long long>(pid), reported > 0 ? f.frames / reported : 0.0, Median(f.delays),
            cpu != call.cpu.end() ? 100.0 * cpu->second : -1.0);
    }
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
    const QStringList arguments = app.arguments();
    const int calls = Option(arguments, QStringLiteral("--calls"), 1);
    const int seconds = std::max(Option(arguments, QStringLiteral("--seconds"), 30), 20);
    std::vector<Call> results(static_cast<size_t>(calls));
    for (Call& call : results) {
        QStringList windows;
        if (!PlaceCall(b.pid(), chat, &windows)) {
            return Fail("the call did not start");
        }
        if (!Measure(a, b, sinks, windows, seconds, &call)) {
            return Fail("the bursts cannot be played");
        }
        Click(windows[0], kCallViewClose);
        if (!QTest::qWaitFor([] { return CallWindows().isEmpty(); }, 20000)) {
            return Fail("the call windows did not close");
        }
        QTest::qWait(1500);
    }

    QProcess lscpu;
    lscpu.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("lscpu | grep 'Model name'")});
    lscpu.waitForFinished(5000);
    std::printf("bench_call: %s\n", lscpu.readAllStandardOutput().simplified().constData());
    std::printf("bench_call: %d calls of %d s between two clients, 320 x 240 video\n", calls,
                seconds);
    std::vector<double> medians;
    double largestChange = 0.0;
    for (size_t index = 0; index < results.size(); ++index) {
        PrintCall(int(index), results[index]);
        const std::vector<double>& delays = results[index].mouthToEar;
        if (!delays.empty()) {
            medians.push_back(CMouthToEar::Percentile(delays, 0.5));
            largestChange = std::max(largestChange, Range(delays));
        }
    }
    std::printf(
        "  calls' medians: lowest %.0f ms, highest %.0f ms (goal: every one <= 130); largest "
        "change within a call %.0f ms (goal: <= 20); goals for the pictures: >= 25 per s, "
        "video delay < 200 ms, CPU < 50 %% of one core\n",
        medians.empty() ? -1.0 : *std::min_element(medians.begin(), medians.end()),
        medians.empty() ? -1.0 : *std::max_element(medians.begin(), medians.end()), largestChange);
    return 0;
}
