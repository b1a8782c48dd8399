#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

typedef struct _GstElement GstElement;

// Records a PulseAudio source (a sink's monitor) as mono 16-bit PCM, or plays
// a tone into a sink, for as long as the object lives.
class CPcmRecorder {
public:
    static constexpr int kRate = 32000;

    explicit CPcmRecorder(const char* sourceName);
    ~CPcmRecorder();
    CPcmRecorder(const CPcmRecorder&) = delete;
    CPcmRecorder& operator=(const CPcmRecorder&) = delete;

    bool Start();
    // Samples recorded so far.
    std::size_t Count() const;
    // The latest count samples (fewer when fewer were recorded).
    std::vector<std::int16_t> Last(std::size_t count) const;

    // Appends what the recorder's sink got; called on its streaming thread.
    void Append(const std::int16_t* samples, std::size_t count);

private:
    GstElement* m_pipeline = nullptr;
    mutable std::mutex m_lock;
    std::vector<std::int16_t> m_samples;
};

// A sine tone played into a PulseAudio sink until destroyed.
class CTonePlayer {
public:
    CTonePlayer(const char* sinkName, double frequency);
    ~CTonePlayer();
    CTonePlayer(const CTonePlayer&) = delete;
    CTonePlayer& operator=(const CTonePlayer&) = delete;

    bool Start();

private:
    GstElement* m_pipeline = nullptr;
};
