// Every sound frame sent twice: two call transports on loopback with a lossy
// relay between them (a share of the datagrams dropped at random, each
// delayed by 0-40 ms). A sends a 300-byte frame every 32 ms, as the encoder
// does at 32 kHz; B counts what it hears. For each drop share it prints the
// frames lost with the copies and what the first sendings alone would have
// lost, the delay from SendFrame to the arrival of each frame heard (p50,
// p95, max), and the wall time SendFrame keeps the capture thread. The
// relay's delays let a copy overtake its first sending now and then, so
// copies are used even when nothing is dropped.
//
//   bench_audio_copies [--frames N]
#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "CAudioTran.h"
#include "CLossyRelay.h"
#include "CSoundPeer.h"

namespace {

constexpr auto kFrameTime = std::chrono::milliseconds(32);

std::int64_t SteadyUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class CArrivals : public IRecvEvent {
public:
    explicit CArrivals(int frames) : m_arrivals(static_cast<size_t>(frames), -1) {}
    void OnRecv(std::uint32_t sequence, const std::uint8_t*, int, bool, std::int64_t arrivalUs,
                bool) override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (sequence < m_arrivals.size()) {
            m_arrivals[sequence] = arrivalUs;
        }
    }
    std::vector<std::int64_t> Arrivals() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_arrivals;
    }

private:
    std::mutex m_lock;
    std::vector<std::int64_t> m_arrivals;
};

double Quantile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * static_cast<double>(values.size() - 1))];
}

void Run(double dropShare, int frames) {
    const auto [portA, portB] = KivFreeUdpPorts();
    CLossyRelay relay(dropShare, 40);
    if (!relay.Start(portA, portB)) {
        std::fprintf(stderr, "bench_audio_copies: the relay cannot bind\n");
        return;
    }
    CAudioTran a;
    CAudioTran b;
    CArrivals heard(frames);
    b.SetReceiveTarget(&heard);
    if (a.Open("127.0.0.1", relay.PortForA(), "", portA) != 1 ||
        b.Open("127.0.0.1", relay.PortForB(), "", portB) != 1) {
        std::fprintf(stderr, "bench_audio_copies: a transport cannot bind\n");
        return;
    }
    std::vector<std::uint8_t> frame(300, 0x5A);
    std::vector<std::int64_t> sent(static_cast<size_t>(frames));
    std::vector<double> sendMs;
    auto next = std::chrono::steady_clock::now();
    // One frame more, whose first sending carries the last frame's copy.
    for (int k = 0; k <= frames; ++k) {
        std::this_thread::sleep_until(next);
        next += kFrameTime;
        const std::int64_t start = SteadyUs();
        if (k < frames) {
            sent[static_cast<size_t>(k)] = start;
        }
        a.SendFrame(frame.data(), static_cast<int>(frame.size()));
        sendMs.push_back(static_cast<double>(SteadyUs() - start) / 1000.0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    b.Close();

    const std::vector<std::int64_t> arrivals = heard.Arrivals();
    std::vector<double> delays;
    for (int k = 0; k < frames; ++k) {
        if (arrivals[static_cast<size_t>(k)] >= 0) {
            delays.push_back(static_cast<double>(arrivals[static_cast<size_t>(k)] -
                                                 sent[static_cast<size_t>(k)]) /
                             1000.0);
        }
    }
    const int lost = frames - static_cast<int>(delays.size());
    const int lostAlone = lost + static_cast<int>(b.CopiesUsed());
    std::printf(
        "drop %4.1f %%: frames lost %5.2f %% (first sendings alone %5.2f %%), copies used %llu, "
        "duplicates dropped %llu; delay p50 %.1f ms, p95 %.1f ms, max %.1f ms; SendFrame "
        "mean %.2f ms, max %.2f ms\n",
        dropShare * 100.0, 100.0 * lost / frames, 100.0 * lostAlone / frames,
        static_cast<unsigned long long>(b.CopiesUsed()),
        static_cast<unsigned long long>(b.DuplicatesDropped()), Quantile(delays, 0.5),
        Quantile(delays, 0.95), Quantile(delays, 1.0),
        std::accumulate(sendMs.begin(), sendMs.end(), 0.0) / static_cast<double>(sendMs.size()),
        Quantile(sendMs, 1.0));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int frames = 500;
    const QStringList arguments = app.arguments();
    const int at = arguments.indexOf(QStringLiteral("--frames"));
    if (at >= 0 && at + 1 < arguments.size()) {
        frames = std::max(1, arguments[at + 1].toInt());
    }
    for (double share : {0.0, 0.05, 0.15}) {
        Run(share, frames);
    }
    return 0;
}
