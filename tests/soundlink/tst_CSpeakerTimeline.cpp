#include <QtTest>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "CSpeakerTimeline.h"
#include "KivTestRegistry.h"

namespace {

constexpr std::int64_t kPieceUs = 10000;
constexpr std::int64_t kAheadUs = 30000;

enum class Pull { Steady, Uneven, DryGap, SlowSpeaker };

// When the speaker pulls piece n (it plays piece n at n * 10 ms, or 0.1 %
// later per piece for a speaker whose clock is slow), and when it really
// plays it.
struct Moment {
    std::int64_t pullUs;
    std::int64_t playsUs;
};

std::vector<Moment> Pulls(Pull pull, int pieces) {
    std::vector<Moment> moments;
    std::int64_t gapUs = 0;
    for (int n = 0; n < pieces; ++n) {
        if (pull == Pull::DryGap && n == 300) {
            gapUs = 200000;  // ran dry: nothing played for 200 ms
        }
        const std::int64_t playsUs =
            (pull == Pull::SlowSpeaker ? n * (kPieceUs + 10) : n * kPieceUs) + gapUs + kAheadUs;
        std::int64_t pullUs = playsUs - kAheadUs;
        if (pull == Pull::Uneven || pull == Pull::DryGap) {
            // Pulled late, then two at once; now and then a long wait.
            pullUs += n % 2 == 0 ? 8000 : 0;
            pullUs += n % 50 == 0 ? 25000 : 0;
        }
        moments.push_back({pullUs, playsUs});
    }
    return moments;
}

}  // namespace

Q_DECLARE_METATYPE(Pull)

// The times the speaker's pieces are heard, handed to the echo canceller.
class tst_CSpeakerTimeline : public QObject {
    Q_OBJECT
private slots:
    // Pieces follow each other without gaps or overlaps whatever the pulls
    // look like, and stay close to when they are really heard; a dry speaker
    // starts the times afresh.
    void timesRunOnEvenly_data() {
        QTest::addColumn<Pull>("pull");
        // How far a time may be from when the piece is heard, two seconds on.
        QTest::addColumn<int>("maxOffUs");
        // Pieces that do not follow the one before, and the ones that jump.
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("jumps");
        QTest::newRow("steady") << Pull::Steady << 0 << 0 << 0;
        // The pulls come 4.5 ms late on average; the times settle within the slack of that.
        QTest::newRow("uneven") << Pull::Uneven << 15000 << 8 << 0;
        QTest::newRow("dry for 200 ms") << Pull::DryGap << 15000 << 16 << 1;
        // 10 ms behind in 10 s: a small step now and then.
        QTest::newRow("speaker 0.1 % slow") << Pull::SlowSpeaker << 11000 << 2 << 0;
    }

    void timesRunOnEvenly() {
        QFETCH(Pull, pull);
        QFETCH(int, maxOffUs);
        QFETCH(int, steps);
        QFETCH(int, jumps);
        CSpeakerTimeline timeline(kAheadUs);
        std::int64_t previous = 0;
        int stepped = 0;
        int jumped = 0;
        int n = 0;
        for (const Moment& moment : Pulls(pull, 1000)) {
            const std::int64_t heard = timeline.Next(moment.pullUs, kPieceUs);
            const std::int64_t step = n > 0 ? std::llabs(heard - previous - kPieceUs) : 0;
            stepped += step != 0 ? 1 : 0;
            jumped += step > 2 * CSpeakerTimeline::kSlackUs ? 1 : 0;
            if (n % 300 >= 200) {
                QVERIFY2(
                    std::llabs(heard - moment.playsUs) <= maxOffUs,
                    qPrintable(
                        QStringLiteral("piece %1: %2 us off").arg(n).arg(heard - moment.playsUs)));
            }
            previous = heard;
            ++n;
        }
        QVERIFY2(stepped <= steps, qPrintable(QStringLiteral("%1 steps").arg(stepped)));
        QCOMPARE(jumped, jumps);
    }
};

KIV_TEST_CLASS(tst_CSpeakerTimeline)
#include "tst_CSpeakerTimeline.moc"
