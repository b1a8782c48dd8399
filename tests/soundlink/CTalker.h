#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

typedef struct _GstElement GstElement;

// Someone talking into a PulseAudio sink (a microphone's stand-in) at real
// time, until destroyed: noise bursts, or a voice-like sound (a gliding pitch
// with its harmonics, in syllables and pauses). What is not stationary, as
// speech is not, so noise suppression leaves it alone.
class CTalker {
public:
    enum class Voice { NoiseBursts, Voiced };
    static constexpr int kRate = 32000;

    // pitchHz sets the voice apart from another talker's.
    CTalker(const QString& sinkName, Voice voice, double pitchHz);
    ~CTalker();
    CTalker(const CTalker&) = delete;
    CTalker& operator=(const CTalker&) = delete;

    bool Start();

    // The mono signal from `from` on, count samples (the same every run).
    std::vector<std::int16_t> Signal(std::int64_t from, int count) const;

private:
    void Push();

    Voice m_voice;
    double m_pitchHz;
    GstElement* m_pipeline = nullptr;
    GstElement* m_source = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_pusher;
};
