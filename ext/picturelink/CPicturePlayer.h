#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "GstDeleter.h"

class INetSourceControl;

// The receiving half of one call: complete H.264 frames go into the network
// source element (decoded at push), which feeds a sink drawing into the
// remote window, scaled to the window's size.
class CPicturePlayer {
public:
    CPicturePlayer(std::uintptr_t window, int width, int height);
    ~CPicturePlayer();

    bool IsPlaying() const { return m_control != nullptr; }
    // From the transport's receive thread.
    void Push(const std::uint8_t* frame, int length);

    // Pictures drawn so far, and the delays measured from stamped pictures.
    struct Figures {
        std::uint64_t frames = 0;
        std::vector<std::uint32_t> delaysMs;
    };
    Figures TakeFigures();

private:
    static GstPadProbeReturn OnPicture(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    GstPtr<GstElement> m_pipeline;
    INetSourceControl* m_control = nullptr;
    int m_width;
    int m_height;
    // Held by each picture's probe, and taken once the pipeline stopped.
    std::mutex m_figuresLock;
    Figures m_figures;
    std::uint32_t m_lastStamp = 0;
};
