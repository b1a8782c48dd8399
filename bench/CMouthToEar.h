#pragma once

#include <QString>
#include <memory>
#include <vector>

typedef struct _GstElement GstElement;

// Mouth-to-ear delay of a sound path between two PulseAudio null sinks: the
// microphone's monitor and the speaker's monitor are recorded in one pipeline,
// so both share one clock; marked noise bursts (50 ms, one every 500 ms) are
// played into the microphone at real time, and each burst's delay is where the
// speaker's recording correlates best with the microphone's.
class CMouthToEar {
public:
    static constexpr int kRate = 32000;

    CMouthToEar(const QString& microphoneSink, const QString& speakerSink);
    ~CMouthToEar();
    CMouthToEar(const CMouthToEar&) = delete;
    CMouthToEar& operator=(const CMouthToEar&) = delete;

    bool StartRecording();
    // Plays `bursts` bursts into the microphone; returns when the last one and
    // a second of silence have been played.
    bool PlayBursts(int bursts);
    // Stops the recording and returns the delay of every burst found, in ms.
    std::vector<double> Delays();
    // After Delays: the share of 10 ms windows of the bursts that arrived
    // silent (20 dB below what was said), each burst judged at its own delay
    // and a burst not found judged silent throughout.
    double SilentShare() const;

    static double Percentile(std::vector<double> values, double share);

private:
    struct Track;

    QString m_microphone;
    std::unique_ptr<Track> m_mouth;
    std::unique_ptr<Track> m_ear;
    GstElement* m_recorder = nullptr;
    int m_bursts = 0;
    int m_windows = 0;
    int m_silentWindows = 0;
};
