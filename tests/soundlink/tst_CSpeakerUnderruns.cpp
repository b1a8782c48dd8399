#include <QtTest>
#include <cstdint>
#include <vector>

#include "CSpeakerUnderruns.h"
#include "KivTestRegistry.h"

Q_DECLARE_METATYPE(std::vector<std::int64_t>)

// Repeated dry gaps between the speaker's asks, and only those, call for the
// roomier buffer.
class tst_CSpeakerUnderruns : public QObject {
    Q_OBJECT
private slots:
    void repeatedDryGaps_data() {
        QTest::addColumn<std::vector<std::int64_t>>("asks");
        QTest::addColumn<int>("roomyAt");  // the ask that calls for it, -1 for none

        // Asks every 10 ms for 13 s, with a 40 ms gap after each of `gaps` (in ms).
        const auto asks = [](std::vector<int> gaps) {
            std::vector<std::int64_t> at;
            std::int64_t now = 0;
            for (int ms = 0; ms < 13000; ms += 10) {
                at.push_back(now);
                const bool gap = !gaps.empty() && ms == gaps.front();
                now += gap ? 40000 : 10000;
                if (gap) {
                    gaps.erase(gaps.begin());
                }
            }
            return at;
        };
        QTest::newRow("asks every 10 ms") << asks({}) << -1;
        QTest::newRow("three dry gaps in ten seconds") << asks({1000, 5000, 9000}) << 901;
        QTest::newRow("three dry gaps in a second")
            << std::vector<std::int64_t>{0, 10000, 50000, 60000, 100000, 110000, 150000} << 6;
        QTest::newRow("three dry gaps far apart") << asks({0, 6000, 12000}) << -1;
        QTest::newRow("gaps just within what the speaker holds")
            << std::vector<std::int64_t>{0, 25000, 50000, 75000, 100000} << -1;
    }

    void repeatedDryGaps() {
        QFETCH(std::vector<std::int64_t>, asks);
        QFETCH(int, roomyAt);
        CSpeakerUnderruns underruns(25000);
        int at = -1;
        for (int i = 0; i < int(asks.size()) && at < 0; ++i) {
            if (underruns.Asked(asks[i])) {
                at = i;
            }
        }
        QCOMPARE(at, roomyAt);
    }
};

KIV_TEST_CLASS(tst_CSpeakerUnderruns)
#include "tst_CSpeakerUnderruns.moc"
