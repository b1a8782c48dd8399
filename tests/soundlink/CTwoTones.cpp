#include "CTwoTones.h"

#include <QTest>

#include "CToneMeter.h"

bool CTwoTones::BothHeard(const CPcmRecorder& heardByA, const CPcmRecorder& heardByB,
                          int attempts) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (!Record(heardByA, heardByB, kWindow)) {
            return false;
        }
        m_atA = Judge(heardByA);
        m_atB = Judge(heardByB);
        if (m_atB.toneA > 100.0 * m_atB.toneB && m_atB.levelDb > -30.0 &&
            m_atA.toneB > 100.0 * m_atA.toneA && m_atA.levelDb > -30.0) {
            return true;
        }
    }
    return false;
}

QString CTwoTones::Figures() const {
    return QStringLiteral(
               "B hears 440 Hz %1, 660 Hz %2 at %3 dB; A hears 440 Hz %4, 660 Hz %5 at %6 dB")
        .arg(m_atB.toneA)
        .arg(m_atB.toneB)
        .arg(m_atB.levelDb)
        .arg(m_atA.toneA)
        .arg(m_atA.toneB)
        .arg(m_atA.levelDb);
}

bool CTwoTones::Record(const CPcmRecorder& recorder, std::size_t count) {
    const std::size_t until = recorder.Count() + count;
    return QTest::qWaitFor([&] { return recorder.Count() >= until; }, 20000);
}

bool CTwoTones::Record(const CPcmRecorder& first, const CPcmRecorder& second, std::size_t count) {
    const std::size_t untilFirst = first.Count() + count;
    const std::size_t untilSecond = second.Count() + count;
    return QTest::qWaitFor(
        [&] { return first.Count() >= untilFirst && second.Count() >= untilSecond; }, 20000);
}

double CTwoTones::LevelDb(const CPcmRecorder& recorder) {
    return Judge(recorder).levelDb;
}

CTwoTones::Heard CTwoTones::Judge(const CPcmRecorder& recorder) {
    const std::vector<std::int16_t> samples = recorder.Last(kWindow);
    const CToneMeter meter(samples, CPcmRecorder::kRate);
    return Heard{meter.PowerAt(kToneA), meter.PowerAt(kToneB), meter.LevelDb()};
}
