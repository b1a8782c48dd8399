#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The four sinks of a two-way call: each side's microphone and speaker.
struct CCallSinks {
    QString micA;
    QString spkA;
    QString micB;
    QString spkB;
};

// Null sinks loaded into the test's PulseAudio server for one test and
// unloaded when it ends: each stands for a speaker, and its monitor for a
// microphone. Each gets a stream of silence for as long as it is loaded, so
// that it renders at a short period as a sound card does: an idle null sink
// renders in blocks of two seconds, and a capture opened on its monitor would
// wait that long for its first sound.
class CPulseDevices {
public:
    CPulseDevices() = default;
    ~CPulseDevices();
    CPulseDevices(const CPulseDevices&) = delete;
    CPulseDevices& operator=(const CPulseDevices&) = delete;

    // A new null sink named name; false when pactl refuses it.
    bool AddSink(const QString& name);
    // The sinks of a two-way call, named from `prefix` and the process id so
    // that runs side by side do not meet; false when pactl refuses one.
    bool AddCallSinks(const QString& prefix, CCallSinks* sinks);
    // What a speaker plays reaches a microphone, as in a laptop: the
    // speaker sink's monitor into the microphone sink, latencyMs later and
    // scaled by gain (0.5 is -6 dB); false when pactl refuses it.
    bool AddEchoPath(const QString& speaker, const QString& microphone, int latencyMs, double gain);

private:
    QStringList m_modules;
    std::vector<std::unique_ptr<QProcess>> m_silence;
};
