#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "CPitchPeriod.h"
#include "CVoiceStretch.h"
#include "KivTestRegistry.h"

namespace {

constexpr int kRate = 32000;
constexpr int kChannels = 2;

// A voiced sound of the given period (in samples), stereo.
std::vector<std::int16_t> Voiced(int period, int frames, int from = 0) {
    std::vector<std::int16_t> samples;
    for (int n = from; n < from + frames; ++n) {
        const double w = 2.0 * M_PI * n / period;
        const auto value = static_cast<std::int16_t>(
            8000.0 * (std::sin(w) + 0.6 * std::sin(2 * w + 0.3) + 0.3 * std::sin(3 * w + 1.0)));
        samples.push_back(value);
        samples.push_back(value);
    }
    return samples;
}

// The largest step between neighbouring samples of one channel.
int LargestStep(const std::vector<std::int16_t>& samples) {
    int largest = 0;
    for (std::size_t i = kChannels; i < samples.size(); ++i) {
        largest = std::max(largest, std::abs(samples[i] - samples[i - kChannels]));
    }
    return largest;
}

std::vector<std::int16_t> PopAll(CVoiceStretch* stretch) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(stretch->Held()));
    out.resize(static_cast<std::size_t>(stretch->Pop(out.data(), int(out.size()))));
    return out;
}

}  // namespace

// Stretching voiced sound by whole periods, for voices from 80 to 400 Hz.
class tst_CVoiceStretch : public QObject {
    Q_OBJECT
private slots:
    void changesLengthByOnePeriod_data() {
        QTest::addColumn<int>("period");
        QTest::addColumn<bool>("shorten");
        for (const int period : {80, 200, 400}) {
            const QByteArray hz = QByteArray::number(kRate / period) + " Hz";
            QTest::newRow(hz + " shorter") << period << true;
            QTest::newRow(hz + " longer") << period << false;
        }
    }

    // One period longer or shorter, with no step and the same pitch.
    void changesLengthByOnePeriod() {
        QFETCH(int, period);
        QFETCH(bool, shorten);
        CVoiceStretch stretch;
        stretch.Configure(kRate, kChannels);
        const std::vector<std::int16_t> voice = Voiced(period, 4096);
        // Played before, so the sound starts without its fade-in.
        stretch.Append(voice.data(), 2048 * kChannels, false);
        std::vector<std::int16_t> played(2048 * kChannels);
        stretch.Pop(played.data(), int(played.size()));
        stretch.Append(voice.data() + 2048 * kChannels, 2048 * kChannels, false);

        const int changed = shorten ? stretch.Shorten(period) : stretch.Lengthen(period);
        QCOMPARE(changed, period);
        // A period longer than allowed is left alone.
        QCOMPARE(shorten ? stretch.Shorten(period - 1) : stretch.Lengthen(period - 1), 0);
        QCOMPARE(stretch.HeldFrames(), shorten ? 2048 - period : 2048 + period);

        std::vector<std::int16_t> heard = played;
        const std::vector<std::int16_t> rest = PopAll(&stretch);
        heard.insert(heard.end(), rest.begin(), rest.end());
        QVERIFY2(
            LargestStep(heard) <= LargestStep(voice) * 11 / 10,
            qPrintable(
                QStringLiteral("%1 against %2").arg(LargestStep(heard)).arg(LargestStep(voice))));
        const CPitchPeriod pitch(kRate, kChannels);
        const int frames = int(heard.size()) / kChannels;
        for (const int at : {2048 - pitch.Window() / 2, frames - pitch.Window() - 1}) {
            const CPitchPeriod::Result found = pitch.Find(heard.data(), frames, at, -1);
            QCOMPARE(found.period, period);
            QVERIFY(found.correlation > 0.99);
        }
    }

    // A lost frame is made up from the voice before it and the voice after it
    // is joined without a step; made-up sound in a row fades away.
    void madeUpSoundJoinsAndFades() {
        CVoiceStretch stretch;
        stretch.Configure(kRate, kChannels);
        const std::vector<std::int16_t> voice = Voiced(160, 3 * 1024);
        std::vector<std::int16_t> heard;
        stretch.Append(voice.data(), 1024 * kChannels, false);
        stretch.Extend(1024);
        stretch.Append(voice.data() + 2048 * kChannels, 1024 * kChannels, false);
        heard = PopAll(&stretch);
        QVERIFY2(LargestStep(heard) <= LargestStep(voice) * 12 / 10,
                 qPrintable(QString::number(LargestStep(heard))));

        // 200 ms made up in a row ends in quiet noise.
        stretch.Extend(6400);
        const std::vector<std::int16_t> tail = PopAll(&stretch);
        QVERIFY(LargestStep(tail) <= LargestStep(voice) * 12 / 10);
        int loudest = 0;
        for (std::size_t i = tail.size() - 640; i < tail.size(); ++i) {
            loudest = std::max(loudest, std::abs(int(tail[i])));
        }
        QVERIFY2(loudest < 300, qPrintable(QString::number(loudest)));
    }

    // Too little sound waiting to take a period from: nothing changes.
    void tooLittleWaiting() {
        CVoiceStretch stretch;
        stretch.Configure(kRate, kChannels);
        const std::vector<std::int16_t> voice = Voiced(400, 300);
        stretch.Append(voice.data(), int(voice.size()), false);
        QCOMPARE(stretch.Shorten(400), 0);
        QCOMPARE(stretch.Lengthen(400), 0);
        QCOMPARE(stretch.HeldFrames(), 300);
    }
};

KIV_TEST_CLASS(tst_CVoiceStretch)
#include "tst_CVoiceStretch.moc"
