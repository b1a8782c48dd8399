#pragma once

#include <QString>
#include <cstddef>

#include "CPcmRecorder.h"

// The judge of a two-way call test: A plays kToneA into its microphone and B
// plays kToneB; each side must hear the other's tone, loud and clear of its own.
class CTwoTones {
public:
    static constexpr double kToneA = 440.0;
    static constexpr double kToneB = 660.0;
    // Half a second of each recording is judged.
    static constexpr std::size_t kWindow = CPcmRecorder::kRate / 2;

    // Judges fresh windows of both recordings until each side hears the other,
    // at most `attempts` times (half a second each); false when a recording
    // stalls or they never do.
    bool BothHeard(const CPcmRecorder& heardByA, const CPcmRecorder& heardByB, int attempts);
    // What each side heard last, for the log and a failure message.
    QString Figures() const;

    // Waits until the recorder has `count` more samples than it had.
    static bool Record(const CPcmRecorder& recorder, std::size_t count);
    // Waits until both recorders have `count` more samples than they had.
    static bool Record(const CPcmRecorder& first, const CPcmRecorder& second, std::size_t count);
    // Level of the recorder's latest window in dB below full scale.
    static double LevelDb(const CPcmRecorder& recorder);

private:
    struct Heard {
        double toneA = 0.0;
        double toneB = 0.0;
        double levelDb = -200.0;
    };
    static Heard Judge(const CPcmRecorder& recorder);

    Heard m_atA;
    Heard m_atB;
};
