#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "CVoicePlayout.h"
#include "KivTestRegistry.h"

namespace {

constexpr int kRate = 32000;
constexpr int kChannels = 2;
constexpr std::int64_t kFrameUs = 32000;
constexpr std::int64_t kTickUs = 10000;
constexpr int kTickSamples = kRate / 100 * kChannels;
constexpr int kPeriod = 200;  // a 160 Hz voice

// The voice a frame decodes to: a voiced sound, continuous from frame to frame.
double Voice(std::int64_t n) {
    const double w = 2.0 * M_PI * n / kPeriod;
    return 8000.0 * (std::sin(w) + 0.5 * std::sin(2 * w) + 0.25 * std::sin(3 * w));
}

int FakeDecode(const std::uint8_t* frame, int length, std::int16_t* pcm, int capacity) {
    if (length < 4 || capacity < CVoicePlayout::kFrameSamples * kChannels) {
        return 0;
    }
    const std::int64_t sequence = frame[0] | frame[1] << 8 | frame[2] << 16 | frame[3] << 24;
    for (int i = 0; i < CVoicePlayout::kFrameSamples; ++i) {
        const auto value = static_cast<std::int16_t>(Voice(sequence * 1024 + i));
        pcm[2 * i] = value;
        pcm[2 * i + 1] = value;
    }
    return CVoicePlayout::kFrameSamples * kChannels;
}

struct Network {
    double loss = 0.0;
    std::int64_t jitterUs = 0;
    bool copies = false;
    // Every frame sent in [stallFromUs, stallFromUs + 1 s) arrives at its end.
    std::int64_t stallFromUs = -1;
    // The peer's clock against ours, in parts per thousand.
    int clockPermille = 1000;
};

struct Arrival {
    std::uint32_t sequence;
    std::int64_t arrivalUs;
    bool copy;
};

// A pseudo-random number in [0, 1), the same in every run.
double Random(std::uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return (*state >> 8) / double(1u << 24);
}

std::vector<Arrival> Arrivals(const Network& network, int frames) {
    std::vector<Arrival> arrivals;
    std::uint32_t random = 7;
    for (int s = 0; s < frames; ++s) {
        const std::int64_t sent = s * kFrameUs * network.clockPermille / 1000;
        // The copy goes one frame after the frame itself.
        for (int copy = 0; copy <= (network.copies ? 1 : 0); ++copy) {
            if (Random(&random) < network.loss) {
                continue;
            }
            std::int64_t arrival =
                sent + copy * kFrameUs + 5000 + std::int64_t(Random(&random) * network.jitterUs);
            if (network.stallFromUs >= 0 && arrival >= network.stallFromUs &&
                arrival < network.stallFromUs + 1000000) {
                arrival = network.stallFromUs + 1000000 + s % 16 * 100;
            }
            arrivals.push_back({std::uint32_t(s), arrival, copy == 1});
        }
    }
    std::stable_sort(arrivals.begin(), arrivals.end(),
                     [](const Arrival& a, const Arrival& b) { return a.arrivalUs < b.arrivalUs; });
    return arrivals;
}

struct Heard {
    // Per 10 ms piece from the 2nd second on: silent, and off the schedule.
    std::vector<bool> silent;
    std::vector<std::int64_t> behindUs;
    CVoicePlayout::Figures figures;

    double SilentShare(std::size_t from, std::size_t to) const {
        to = std::min(to, silent.size());
        return from < to ? double(std::count(silent.begin() + from, silent.begin() + to, true)) /
                               (to - from)
                         : 0.0;
    }
};

// A speaker taking 10 ms every 10 ms of a call on the test's clock.
Heard Play(const Network& network, int seconds) {
    // Frames for a second more than is played, whatever the peer's clock.
    const int frames = int((seconds + 1) * 1000000LL * 1000 / (kFrameUs * network.clockPermille));
    const std::vector<Arrival> arrivals = Arrivals(network, frames);
    CVoicePlayout playout;
    playout.Configure(kRate, kChannels, kTickUs, &FakeDecode);
    Heard heard;
    std::vector<std::int16_t> out(kTickSamples);
    std::vector<bool> delivered(std::size_t(frames), false);
    std::size_t next = 0;
    for (std::int64_t now = 0; now < seconds * 1000000LL; now += kTickUs) {
        for (; next < arrivals.size() && arrivals[next].arrivalUs <= now; ++next) {
            const std::uint32_t s = arrivals[next].sequence;
            const std::uint8_t bytes[4] = {std::uint8_t(s), std::uint8_t(s >> 8),
                                           std::uint8_t(s >> 16), std::uint8_t(s >> 24)};
            // The transport hands on the first of a frame's two datagrams.
            if (!delivered[s]) {
                delivered[s] = true;
                playout.Put(s, bytes, 4, arrivals[next].arrivalUs, arrivals[next].copy);
            }
        }
        playout.Pull(now, out.data(), kTickSamples);
        if (now < 1000000) {
            continue;
        }
        double energy = 0.0;
        for (std::int16_t sample : out) {
            energy += double(sample) * sample;
        }
        // The voice's RMS is about 6500: silent is 20 dB below it.
        heard.silent.push_back(std::sqrt(energy / kTickSamples) < 650.0);
        heard.behindUs.push_back(playout.GetFigures().behindUs);
    }
    heard.figures = playout.GetFigures();
    return heard;
}

}  // namespace

Q_DECLARE_METATYPE(Network)

// The voice playout on a simulated call: a speaker taking 10 ms at a time
// from a network that loses, delays, copies and stalls frames.
class tst_CVoicePlayout : public QObject {
    Q_OBJECT
private slots:
    void networks_data() {
        QTest::addColumn<Network>("network");
        QTest::addColumn<double>("maxSilent");
        // The schedule's delay at the end, at most.
        QTest::addColumn<int>("maxDelayMs");

        QTest::newRow("clean") << Network{} << 0.0 << 6;
        QTest::newRow("5 % lost, 0-40 ms late") << Network{0.05, 40000} << 0.02 << 60;
        QTest::newRow("the same with copies") << Network{0.05, 40000, true} << 0.01 << 60;
        // A clock that drifts looks like jitter to the schedule: up to a
        // second's drift (10 ms) more.
        QTest::newRow("peer clock 1 % fast") << Network{0.0, 0, false, -1, 990} << 0.0 << 16;
        QTest::newRow("peer clock 1 % slow") << Network{0.0, 0, false, -1, 1010} << 0.0 << 16;
    }

    void networks() {
        QFETCH(Network, network);
        QFETCH(double, maxSilent);
        QFETCH(int, maxDelayMs);

        const Heard heard = Play(network, 60);
        const CVoicePlayout::Figures& f = heard.figures;
        qInfo(
            "silent %.2f %%, aiming at %d ms, concealed %llu primed %llu shortened %llu "
            "lengthened %llu made up %llu ms",
            100.0 * heard.SilentShare(0, heard.silent.size()), f.buffer.delayMs,
            qulonglong(f.buffer.concealed), qulonglong(f.buffer.primed), qulonglong(f.shortened),
            qulonglong(f.lengthened), qulonglong(f.madeUpMs));
        QVERIFY(heard.SilentShare(0, heard.silent.size()) <= maxSilent);
        QVERIFY2(f.buffer.delayMs <= maxDelayMs, qPrintable(QString::number(f.buffer.delayMs)));
        // Stretching keeps to the schedule: no drift, whatever the peer's clock.
        std::vector<std::int64_t> late(heard.behindUs.end() - 1000, heard.behindUs.end());
        std::sort(late.begin(), late.end());
        QVERIFY2(std::abs(late[late.size() / 2]) <= CVoicePlayout::kToleranceUs + 1000,
                 qPrintable(QString::number(late[late.size() / 2])));
        QCOMPARE(f.buffer.skipped, std::uint64_t(0));
    }

    // After the network held everything back for a second, the voice is made
    // up and then fades, and the schedule is back within seconds.
    void stallRecovers() {
        Network network;
        network.stallFromUs = 10000000;
        const Heard heard = Play(network, 30);
        // Pieces from the 2nd second: the stall ends at piece 1000.
        QVERIFY(heard.SilentShare(900, 1000) > 0.5);
        std::size_t back = 1000;
        while (back < heard.silent.size() &&
               (heard.silent[back] || std::abs(heard.behindUs[back]) > 10000)) {
            ++back;
        }
        qInfo("back on schedule %zu ms after the stall", (back - 1000) * 10);
        QVERIFY(back - 1000 <= 300);
        QCOMPARE(heard.SilentShare(back, heard.silent.size()), 0.0);
    }

    // A peer that starts its stream again (a new transport) is followed, not
    // taken for one late frame after another.
    void restartedPeerIsFollowed() {
        CPlayoutBuffer buffer;
        std::vector<std::uint8_t> frame;
        CPlayoutBuffer::Turn turn;
        const std::uint8_t bytes[1] = {1};
        std::int64_t now = 0;
        for (std::uint32_t s = 5000; s < 5010; ++s, now += kFrameUs) {
            buffer.Put(s, bytes, 1, now);
            buffer.Take(now, &frame, &turn);
        }
        for (std::uint32_t s = 0; s < 10; ++s, now += kFrameUs) {
            buffer.Put(s, bytes, 1, now);
            buffer.Take(now + 30000, &frame, &turn);
        }
        QCOMPARE(buffer.Figures().late, std::uint64_t(0));
        QVERIFY(buffer.Figures().played >= 15);
    }

    // A frame that comes after its turn was made up, but while the frame
    // after it waits, it still goes through the decoder, once.
    void lateFrameReachesTheDecoder() {
        CPlayoutBuffer buffer;
        buffer.Configure(kFrameUs, kTickUs);
        std::vector<std::uint8_t> frame;
        CPlayoutBuffer::Turn turn;
        const std::uint8_t bytes[1] = {1};
        buffer.Put(0, bytes, 1, 0);
        QCOMPARE(buffer.Take(100000, &frame, &turn), CPlayoutBuffer::Next::Frame);
        QCOMPARE(buffer.Take(100000 + kFrameUs, &frame, &turn), CPlayoutBuffer::Next::Conceal);
        buffer.Put(1, bytes, 1, 100000 + kFrameUs);
        buffer.Put(1, bytes, 1, 100000 + kFrameUs);
        buffer.Put(2, bytes, 1, 100000 + kFrameUs);
        // The late arrivals raised the delay: frame 2 is due a little later.
        QCOMPARE(buffer.Take(100000 + 4 * kFrameUs, &frame, &turn), CPlayoutBuffer::Next::Prime);
        QCOMPARE(buffer.Take(100000 + 4 * kFrameUs, &frame, &turn), CPlayoutBuffer::Next::Frame);
        QCOMPARE(buffer.Figures().primed, std::uint64_t(1));
        QCOMPARE(buffer.Figures().late, std::uint64_t(2));
    }
};

KIV_TEST_CLASS(tst_CVoicePlayout)
#include "tst_CVoicePlayout.moc"
