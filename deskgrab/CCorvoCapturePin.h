#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "CCorvoCaptureSettings.h"
#include "CCorvoImage.h"
#include "CCorvoPacer.h"
#include "CKivAutoResetEvent.h"
#include "CorvoFrameTarget.h"
#include "ICorvoScreenSource.h"

enum class CorvoFillResult { Ok, Flushing, ScreenLost };

// Stream times of one frame in 100-ns units; none when stamping is off.
struct CorvoFrameTiming {
    bool stamped = false;
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// Makes the frames of the capture source. The streaming thread asks for
// each frame with Fill; a capture thread grabs the screen and writes the
// picture into the frame it is handed. When frames are asked for back to
// back (no pacing) the next grab is taken while the last frame travels on.
class CCorvoCapturePin {
public:
    // A request waits this long for the capture thread, then goes out black.
    static constexpr int kCaptureTimeoutMs = 1000;
    // How long a stop waits for the capture thread before it interrupts a grab.
    static constexpr int kStopWaitMs = 500;

    CCorvoCapturePin(CCorvoCaptureSettings& settings, std::unique_ptr<ICorvoScreenSource> screen);
    ~CCorvoCapturePin();

    CCorvoCapturePin(const CCorvoCapturePin&) = delete;
    CCorvoCapturePin& operator=(const CCorvoCapturePin&) = delete;

    // Opens the screen and starts the capture thread; the frame count
    // starts again at 0. False with a reason when there is no screen.
    bool Start(std::string* error);
    void Stop();
    // The frame format is settled: the first grab may start.
    void FormatDecided();
    void RestartPacing();
    // Makes a waiting Fill return Flushing, until UnlockStop.
    void Unlock();
    void UnlockStop();

    CorvoFillResult Fill(const CorvoFrameTarget& target, CorvoFrameTiming* timing,
                         std::string* error);

private:
    struct Staged {
        bool valid = false;
        CorvoImageView picture;
        int left = 0;
        int top = 0;
        std::chrono::steady_clock::time_point taken;
    };

    void CaptureLoop();
    void Stage(const CorvoCaptureSnapshot& settings);
    bool StagedIsUsable(const CorvoCaptureSnapshot& settings) const;
    void WriteStaged(const CorvoFrameTarget& target) const;
    void CaptureInto(const CorvoFrameTarget& target);
    void WriteStill(const CorvoCaptureSnapshot& settings, const CorvoFrameTarget& target);

    CCorvoCaptureSettings& m_settings;
    std::unique_ptr<ICorvoScreenSource> m_screen;

    std::shared_ptr<CKivAutoResetEvent::Group> m_group;
    CKivAutoResetEvent m_quit;
    CKivAutoResetEvent m_request;
    CKivAutoResetEvent m_nextAllowed;
    CKivAutoResetEvent m_done;
    // Set by the capture thread as it ends.
    CKivAutoResetEvent m_ended;
    std::thread m_thread;

    // The frame the capture thread may write; only while Fill waits for it.
    std::mutex m_targetLock;
    const CorvoFrameTarget* m_target = nullptr;

    // Capture thread only.
    Staged m_staged;

    std::mutex m_lostLock;
    bool m_lost = false;
    std::string m_lostReason;

    // Streaming thread only.
    // Start of the next frame: each frame follows the end of the one before,
    // whatever frame time the settings give from one frame to the next.
    std::int64_t m_nextStart = 0;
    CCorvoPacer m_pacer;
    std::shared_ptr<const CCorvoImage> m_stillSource;
    CCorvoImage m_stillPrepared;
};
