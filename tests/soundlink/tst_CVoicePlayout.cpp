#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "CPlayoutBuffer.h"
#include "CPlayoutPcm.h"
#include "KivTestRegistry.h"

namespace {

constexpr std::int64_t kFrameUs = 32000;
constexpr std::int64_t kTickUs = 10000;

enum class Pattern { InOrder, Reordered, Duplicated, Lost, BurstAfterGap, Jitter, FastPeer };

struct Arrival {
    std::uint32_t sequence;
    std::int64_t sentUs;
    std::int64_t arrivalUs;
};

// A pseudo-random number in [0, 1), the same in every run.
double Random(std::uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return (*state >> 8) / double(1u << 24);
}

std::vector<Arrival> Arrivals(Pattern pattern, int frames) {
    std::vector<Arrival> arrivals;
    std::uint32_t random = 7;
    for (int s = 0; s < frames; ++s) {
        // A peer whose clock runs 1 % fast sends its 32 ms frames every 31.68 ms of ours.
        const std::int64_t sent =
            pattern == Pattern::FastPeer ? s * kFrameUs * 99 / 100 : s * kFrameUs;
        std::int64_t transit = 5000;
        if (pattern == Pattern::Jitter) {
            transit += std::int64_t(Random(&random) * 40000);
        }
        if (pattern == Pattern::Reordered && s % 2 == 0) {
            transit += 8000;  // overtaken by the next frame
        }
        if (pattern == Pattern::BurstAfterGap && s >= 300 && s < 316) {
            // The network stalls for half a second, then delivers all at once.
            transit = 316 * kFrameUs + 5000 - sent + (s - 300) * 100;
        }
        if (pattern == Pattern::Lost && s % 20 == 7) {
            continue;
        }
        arrivals.push_back({std::uint32_t(s), sent, sent + transit});
        if (pattern == Pattern::Duplicated && s % 5 == 0) {
            arrivals.push_back({std::uint32_t(s), sent, sent + transit + 3000});
        }
    }
    std::stable_sort(arrivals.begin(), arrivals.end(),
                     [](const Arrival& a, const Arrival& b) { return a.arrivalUs < b.arrivalUs; });
    return arrivals;
}

// What a speaker taking 10 ms every 10 ms heard of the stream.
struct Heard {
    std::vector<std::uint32_t> played;
    // Mouth to ear of each played frame, by the time it was sent.
    std::vector<std::pair<std::int64_t, std::int64_t>> delays;
    CPlayoutBuffer::Counters counters;

    // Largest delay from `fromUs` on (of the sender's time), in ms.
    double MaxDelayMs(std::int64_t fromUs) const {
        std::int64_t most = 0;
        for (const auto& [sent, delay] : delays) {
            if (sent >= fromUs) {
                most = std::max(most, delay);
            }
        }
        return most / 1000.0;
    }
    // Median delay of frames sent in [fromUs, toUs), in ms.
    double MedianDelayMs(std::int64_t fromUs, std::int64_t toUs) const {
        std::vector<std::int64_t> window;
        for (const auto& [sent, delay] : delays) {
            if (sent >= fromUs && sent < toUs) {
                window.push_back(delay);
            }
        }
        if (window.empty()) {
            return -1.0;
        }
        std::nth_element(window.begin(), window.begin() + window.size() / 2, window.end());
        return window[window.size() / 2] / 1000.0;
    }
};

// Plays until the stream's last frame has played, or untilUs.
Heard Play(const std::vector<Arrival>& arrivals, std::int64_t untilUs) {
    CPlayoutBuffer buffer;
    buffer.Configure(kFrameUs, kTickUs + CPlayoutPcm::kFadeMs * 1000);
    // By sequence: lost frames make the sequences run past the arrivals.
    std::uint32_t highest = 0;
    for (const Arrival& arrival : arrivals) {
        highest = std::max(highest, arrival.sequence);
    }
    std::vector<std::int64_t> sentOf(std::size_t(highest) + 1, 0);
    Heard heard;
    std::size_t next = 0;
    std::int64_t aheadUs = 0;  // sound waiting for the speaker
    std::vector<std::uint8_t> frame;
    const std::uint32_t last = arrivals.empty() ? 0 : arrivals.back().sequence;
    bool ended = false;
    for (std::int64_t now = 0; now < untilUs && !ended; now += kTickUs) {
        for (; next < arrivals.size() && arrivals[next].arrivalUs <= now; ++next) {
            const Arrival& arrival = arrivals[next];
            // The frame carries its own sequence, so what is played can be checked.
            const std::uint8_t bytes[4] = {
                std::uint8_t(arrival.sequence), std::uint8_t(arrival.sequence >> 8),
                std::uint8_t(arrival.sequence >> 16), std::uint8_t(arrival.sentUs / kFrameUs)};
            buffer.Put(arrival.sequence, bytes, 4, arrival.arrivalUs);
            if (arrival.sequence < sentOf.size()) {
                sentOf[arrival.sequence] = arrival.sentUs;
            }
        }
        while (aheadUs < kTickUs + CPlayoutPcm::kFadeMs * 1000) {
            CPlayoutBuffer::Turn turn;
            switch (buffer.Take(now + aheadUs, &frame, &turn)) {
                case CPlayoutBuffer::Next::Frame: {
                    const std::uint32_t sequence = frame[0] | frame[1] << 8 | frame[2] << 16;
                    heard.played.push_back(sequence);
                    ended = sequence == last;
                    heard.delays.emplace_back(sentOf[sequence], now + aheadUs - sentOf[sequence]);
                    aheadUs += kFrameUs - turn.trimUs;
                    break;
                }
                case CPlayoutBuffer::Next::Conceal:
                    aheadUs += kFrameUs;
                    break;
                case CPlayoutBuffer::Next::Silence:
                    aheadUs += turn.waitUs > 0 ? turn.waitUs : kTickUs;
                    break;
            }
        }
        aheadUs -= kTickUs;
    }
    heard.counters = buffer.Figures();
    return heard;
}

}  // namespace

Q_DECLARE_METATYPE(Pattern)

// The playout buffer on a table of arrival patterns, against a simulated
// speaker; and the fades of what stands in for missing sound.
class tst_CPlayoutBuffer : public QObject {
    Q_OBJECT
private slots:
    void arrivalPatterns_data() {
        QTest::addColumn<Pattern>("pattern");
        QTest::addColumn<int>("frames");
        // At most this many frames missing at their turn or left out.
        QTest::addColumn<int>("maxGaps");
        QTest::addColumn<int>("late");
        QTest::addColumn<int>("duplicates");
        // The delay from the 5th second on, at most.
        QTest::addColumn<int>("maxDelayMs");

        // Delays are from the moment a frame is sent until it starts to play:
        // 5 ms of transit, the schedule's least delay of 10 ms, and up to a frame more
        // before the schedule puts one in.
        QTest::newRow("in order") << Pattern::InOrder << 1000 << 0 << 0 << 0 << 35;
        QTest::newRow("reordered") << Pattern::Reordered << 1000 << 0 << 0 << 0 << 45;
        QTest::newRow("duplicated") << Pattern::Duplicated << 1000 << 0 << 0 << 200 << 35;
        QTest::newRow("5 % lost") << Pattern::Lost << 1000 << 50 << 0 << 0 << 35;
        // The stalled frames come after their turn: dropped, not played late;
        // for a while the delay covers such stalls, then it falls back.
        QTest::newRow("burst after a gap")
            << Pattern::BurstAfterGap << 1000 << 20 << 16 << 0 << 155;
        QTest::newRow("0-40 ms jitter") << Pattern::Jitter << 1000 << 20 << 20 << 0 << 85;
        // 1 % of the frames must go, or the delay creeps up 10 ms a second.
        QTest::newRow("peer clock 1 % fast") << Pattern::FastPeer << 1875 << 25 << 0 << 0 << 80;
    }

    void arrivalPatterns() {
        QFETCH(Pattern, pattern);
        QFETCH(int, frames);
        QFETCH(int, maxGaps);
        QFETCH(int, late);
        QFETCH(int, duplicates);
        QFETCH(int, maxDelayMs);

        const std::vector<Arrival> arrivals = Arrivals(pattern, frames);
        const std::int64_t end = frames * kFrameUs;
        const Heard heard = Play(arrivals, end + 500000);
        const CPlayoutBuffer::Counters& counters = heard.counters;
        qInfo(
            "played %zu concealed %llu waited %llu trimmed %llu skipped %llu late %llu, "
            "aiming at %d ms",
            heard.played.size(), qulonglong(counters.concealed), qulonglong(counters.waited),
            qulonglong(counters.trimmed), qulonglong(counters.skipped), qulonglong(counters.late),
            counters.delayMs);

        // Nothing plays twice or out of order.
        QVERIFY(std::is_sorted(heard.played.begin(), heard.played.end()));
        QVERIFY(std::adjacent_find(heard.played.begin(), heard.played.end()) == heard.played.end());
        const int gaps = int(counters.concealed + counters.skipped);
        QVERIFY2(gaps <= maxGaps, qPrintable(QStringLiteral("%1 gaps").arg(gaps)));
        QVERIFY2(int(counters.late) <= late,
                 qPrintable(QStringLiteral("%1 late").arg(counters.late)));
        QCOMPARE(int(counters.duplicate), duplicates);
        // Every frame that came is played, or dropped for a reason counted.
        const int arrived = int(arrivals.size());
        const int accounted = int(heard.played.size() + counters.late + counters.duplicate);
        QVERIFY(accounted <= arrived && accounted + int(counters.skipped) >= arrived);
        QVERIFY2(heard.MaxDelayMs(5000000) <= maxDelayMs,
                 qPrintable(QStringLiteral("%1 ms").arg(heard.MaxDelayMs(5000000))));
        // The delay never creeps: the last 10 s sit where the 5th to 15th did.
        const double early = heard.MedianDelayMs(5000000, 15000000);
        const double last = heard.MedianDelayMs(end - 10000000, end);
        QVERIFY2(std::abs(last - early) <= 20.0,
                 qPrintable(QStringLiteral("%1 ms, then %2 ms").arg(early).arg(last)));
        QVERIFY(counters.delayMs >= CPlayoutBuffer::kMinDelayMs &&
                counters.delayMs <= CPlayoutBuffer::kMaxDelayMs);
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

    // Whatever the order of frames, concealment and silence, the sound that
    // leaves never steps by more than a smooth sine would; a frame stood in
    // for by a repeat leaves no quiet hole, and repeats in a row fade away.
    void concealmentNeverClicks_data() {
        QTest::addColumn<QString>("script");
        // 10 ms windows 20 dB below the tone, at least and at most.
        QTest::addColumn<int>("minQuiet");
        QTest::addColumn<int>("maxQuiet");
        QTest::newRow("a frame missing") << QStringLiteral("FFCFF") << 0 << 2;
        QTest::newRow("three missing") << QStringLiteral("FFCCCFF") << 7 << 10;
        QTest::newRow("a frame skipped") << QStringLiteral("FFSFF") << 0 << 1;
        QTest::newRow("silence, then sound") << QStringLiteral("FF__FF") << 1 << 2;
        QTest::newRow("start") << QStringLiteral("FFF") << 0 << 0;
        QTest::newRow("a frame repeated") << QStringLiteral("FFRFF") << 0 << 0;
        QTest::newRow("two repeated") << QStringLiteral("FFRRFF") << 0 << 0;
        QTest::newRow("repeats fade away") << QStringLiteral("FFRRRRRFF") << 6 << 9;
        QTest::newRow("a repeat after silence") << QStringLiteral("FF_RFF") << 3 << 5;
    }

    void concealmentNeverClicks() {
        QFETCH(QString, script);
        QFETCH(int, minQuiet);
        QFETCH(int, maxQuiet);
        constexpr int kRate = 32000;
        constexpr int kFrame = 1024;
        constexpr int kWindow = kRate / 100;
        CPlayoutPcm pcm;
        pcm.Configure(kRate, 2);
        // A loud 1 kHz tone, so any cut shows as a step far above its slope.
        auto toneFrame = [](int index) {
            std::vector<std::int16_t> samples(kFrame * 2);
            for (int i = 0; i < kFrame; ++i) {
                const double t = double(index * kFrame + i) / kRate;
                samples[i * 2] = samples[i * 2 + 1] =
                    std::int16_t(20000 * std::sin(2 * M_PI * 1000 * t));
            }
            return samples;
        };
        int index = 0;
        bool spliced = false;
        for (const QChar step : script) {
            if (step == QLatin1Char('F')) {
                const std::vector<std::int16_t> samples = toneFrame(index++);
                pcm.Append(samples.data(), int(samples.size()), spliced);
                spliced = false;
            } else if (step == QLatin1Char('C')) {
                pcm.Conceal(kFrame);
                ++index;
            } else if (step == QLatin1Char('R')) {
                // The decoder's overlap carries a steady tone on through a repeat.
                const std::vector<std::int16_t> samples = toneFrame(index++);
                if (!pcm.Repeat(samples.data(), int(samples.size()))) {
                    pcm.Conceal(kFrame);
                }
            } else if (step == QLatin1Char('S')) {
                ++index;
                spliced = true;
            } else {
                pcm.Silence(640);
            }
        }
        std::vector<std::int16_t> out(pcm.Held());
        QCOMPARE(pcm.Pop(out.data(), int(out.size())), int(out.size()));
        // The tone's steepest step between samples is 20000 * 2 pi * 1000 / 32000.
        const int steepest = int(20000 * 2 * M_PI * 1000 / kRate) + 2;
        int previous = 0;
        for (std::size_t i = 0; i < out.size(); i += 2) {
            QVERIFY2(std::abs(out[i] - previous) <= steepest,
                     qPrintable(QStringLiteral("step %1 at %2").arg(out[i] - previous).arg(i / 2)));
            QCOMPARE(out[i], out[i + 1]);
            previous = out[i];
        }
        // The tone's power is 20000^2 / 2; a window 20 dB below it counts quiet.
        int quiet = 0;
        for (std::size_t start = 0; start + kWindow * 2 <= out.size(); start += kWindow * 2) {
            double power = 0.0;
            for (int i = 0; i < kWindow; ++i) {
                power += double(out[start + i * 2]) * out[start + i * 2] / kWindow;
            }
            quiet += power < 20000.0 * 20000.0 / 2 / 100 ? 1 : 0;
        }
        QVERIFY2(quiet >= minQuiet && quiet <= maxQuiet,
                 qPrintable(QStringLiteral("%1 quiet windows").arg(quiet)));
    }
};

KIV_TEST_CLASS(tst_CPlayoutBuffer)
#include "tst_CPlayoutBuffer.moc"
