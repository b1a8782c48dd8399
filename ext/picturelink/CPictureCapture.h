#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "GstDeleter.h"

// The sending half of the session: the camera (or a moving test picture) at
// the chosen size, encoded to H.264 for the calls and drawn into the local
// window. Encoded frames reach the sink on the pipeline's streaming thread,
// one access unit at a time, in byte-stream form with SPS before each key frame.
class CPictureCapture {
public:
    using FrameSink = std::function<void(const std::uint8_t* frame, int length)>;

    explicit CPictureCapture(FrameSink sink);
    ~CPictureCapture();

    // device: a V4L2 device path or empty for the first camera; without a
    // camera the test picture, stamped with its capture time, is sent.
    bool Start(const std::string& device, int width, int height, std::uintptr_t localWindow);
    void Stop();
    bool IsRunning() const { return m_pipeline != nullptr; }
    bool UsesTestPicture() const { return m_testPicture; }
    // Asks the encoder for a key frame, so a newly reached peer sees a picture at once.
    void ForceKeyFrame();

    // Streaming thread: one encoded access unit for the sink.
    void Deliver(const std::uint8_t* frame, int length);

private:
    bool Run(const std::string& source, int width, int height, std::uintptr_t localWindow,
             bool testPicture);

    FrameSink m_sink;
    // Set before the pipeline plays and cleared once it stopped; the lock
    // orders the streaming thread's last hand-over before the teardown.
    std::mutex m_sinkLock;
    bool m_delivering = false;
    GstPtr<GstElement> m_pipeline;
    bool m_testPicture = false;
};
