#pragma once

#include <QString>
#include <QStringList>

// Null sinks loaded into the test's PulseAudio server for one test and
// unloaded when it ends: each stands for a speaker, and its monitor for a
// microphone.
class CPulseDevices {
public:
    CPulseDevices() = default;
    ~CPulseDevices();
    CPulseDevices(const CPulseDevices&) = delete;
    CPulseDevices& operator=(const CPulseDevices&) = delete;

    // A new null sink named name; false when pactl refuses it.
    bool AddSink(const QString& name);

private:
    QStringList m_modules;
};
