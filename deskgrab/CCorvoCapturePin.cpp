#include "CCorvoCapturePin.h"

#include <algorithm>

#include "CCorvoFrameWriter.h"
#include "SoundLinkThreadPriority.h"

namespace {

// A grab taken ahead is used only while it is this fresh.
constexpr std::chrono::milliseconds kStagedFreshFor{50};
// Scaling is offered up to this output size.
constexpr int kMaxScaledWidth = 2048;
constexpr int kMaxScaledHeight = 1536;

CorvoFrameTarget ImageTarget(CCorvoImage& image) {
    CorvoFrameTarget target;
    target.format = CorvoPixelFormat::Rgb32;
    target.width = image.Width();
    target.height = image.Height();
    target.planes[0] = image.Row(0);
    target.strides[0] = image.Stride();
    return target;
}

}  // namespace

CCorvoCapturePin::CCorvoCapturePin(CCorvoCaptureSettings& settings,
                                   std::unique_ptr<ICorvoScreenSource> screen)
    : m_settings(settings),
      m_screen(std::move(screen)),
      m_group(std::make_shared<CKivAutoResetEvent::Group>()),
      m_quit(m_group),
      m_request(m_group),
      m_nextAllowed(m_group) {}

CCorvoCapturePin::~CCorvoCapturePin() {
    Stop();
}

bool CCorvoCapturePin::Start(std::string* error) {
    Stop();
    if (!m_screen->Open(error)) {
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_lostLock);
        m_lost = false;
        m_lostReason.clear();
    }
    // Nothing of an earlier run may leak into this one.
    m_quit.Wait(0);
    m_request.Wait(0);
    m_nextAllowed.Wait(0);
    m_done.Wait(0);
    m_staged = Staged{};
    m_ended.Wait(0);
    m_nextStart = 0;
    m_pacer.Restart();
    m_thread = std::thread(&CCorvoCapturePin::CaptureLoop, this);
    return true;
}

void CCorvoCapturePin::Stop() {
    if (m_thread.joinable()) {
        m_quit.Set();
        // A grab stuck on the display would hold the thread: after a short
        // wait it is made to give up.
        if (!m_ended.Wait(kStopWaitMs)) {
            m_screen->Interrupt();
        }
        m_thread.join();
    }
    m_screen->Close();
}

void CCorvoCapturePin::FormatDecided() {
    m_nextAllowed.Set();
}

void CCorvoCapturePin::RestartPacing() {
    m_pacer.Restart();
}

void CCorvoCapturePin::Unlock() {
    m_pacer.Interrupt();
}

void CCorvoCapturePin::UnlockStop() {
    m_pacer.Resume();
}

CorvoFillResult CCorvoCapturePin::Fill(const CorvoFrameTarget& target, CorvoFrameTiming* timing,
                                       std::string* error) {
    const CorvoCaptureSnapshot settings = m_settings.Snapshot();
    timing->stamped = settings.timestamps;
    timing->start = m_nextStart;
    timing->end = timing->start + settings.rate.frameTime;
    m_nextStart = timing->end;

    // Wait first, then grab: the picture shows the screen when it is due.
    if (settings.pacing && !m_pacer.WaitTurn(settings.rate.intervalMs)) {
        return CorvoFillResult::Flushing;
    }
    {
        std::lock_guard<std::mutex> guard(m_lostLock);
        if (m_lost) {
            *error = m_lostReason;
            return CorvoFillResult::ScreenLost;
        }
    }
    if (settings.captureEnabled) {
        CaptureInto(target);
    } else if (settings.imageLoaded) {
        WriteStill(settings, target);
    } else {
        CCorvoFrameWriter::FillBlack(target);
    }
    return CorvoFillResult::Ok;
}

void CCorvoCapturePin::CaptureInto(const CorvoFrameTarget& target) {
    {
        std::lock_guard<std::mutex> guard(m_targetLock);
        m_target = &target;
    }
    m_request.Set();
    bool done = m_done.Wait(kCaptureTimeoutMs);
    {
        std::lock_guard<std::mutex> guard(m_targetLock);
        m_target = nullptr;
        // From here the capture thread cannot touch the frame. It may have
        // finished just now; otherwise the request is withdrawn so that the
        // next frame is not answered by this one's late grab.
        if (!done) {
            done = m_done.Wait(0);
        }
        if (!done) {
            m_request.Wait(0);
        }
    }
    if (!done) {
        CCorvoFrameWriter::FillBlack(target);
    }
    m_nextAllowed.Set();
}

void CCorvoCapturePin::CaptureLoop() {
    // Grabbing the screen gives way to the call's sound on a busy machine.
    SoundLinkPrioritize(SoundLinkThreadId(), SoundLinkThreadKind::ScreenCapture);
    for (;;) {
        const int woken = CKivAutoResetEvent::WaitAny({&m_quit, &m_request, &m_nextAllowed});
        if (woken == 0) {
            m_ended.Set();
            return;
        }
        const CorvoCaptureSnapshot settings = m_settings.Snapshot();
        if (woken == 2) {
            if (!settings.pacing && settings.captureEnabled) {
                Stage(settings);
            }
            continue;
        }
        if (!StagedIsUsable(settings)) {
            Stage(settings);
        }
        std::lock_guard<std::mutex> guard(m_targetLock);
        if (m_target != nullptr) {
            WriteStaged(*m_target);
            m_staged.valid = false;
            m_done.Set();
        }
    }
}

void CCorvoCapturePin::Stage(const CorvoCaptureSnapshot& settings) {
    m_staged.valid = false;
    const CorvoScreenSize screen = m_screen->Size();
    const int left = std::max(0, settings.left);
    const int top = std::max(0, settings.top);
    const int right = std::min(settings.right, screen.width);
    const int bottom = std::min(settings.bottom, screen.height);
    if (right <= left || bottom <= top) {
        return;
    }
    std::string error;
    if (!m_screen->Grab(left, top, right - left, bottom - top, &m_staged.picture, &error)) {
        if (m_screen->IsLost()) {
            std::lock_guard<std::mutex> guard(m_lostLock);
            m_lost = true;
            m_lostReason = error;
        }
        return;
    }
    m_staged.valid = true;
    m_staged.left = left;
    m_staged.top = top;
    m_staged.taken = std::chrono::steady_clock::now();
}

bool CCorvoCapturePin::StagedIsUsable(const CorvoCaptureSnapshot& settings) const {
    const CorvoScreenSize screen = m_screen->Size();
    return m_staged.valid && m_staged.left == std::max(0, settings.left) &&
           m_staged.top == std::max(0, settings.top) &&
           m_staged.picture.width == std::min(settings.right, screen.width) - m_staged.left &&
           m_staged.picture.height == std::min(settings.bottom, screen.height) - m_staged.top &&
           std::chrono::steady_clock::now() - m_staged.taken < kStagedFreshFor;
}

void CCorvoCapturePin::WriteStaged(const CorvoFrameTarget& target) const {
    const CorvoImageView& picture = m_staged.picture;
    if (!m_staged.valid) {
        CCorvoFrameWriter::FillBlack(target);
    } else if (picture.width == target.width && picture.height == target.height) {
        CCorvoFrameWriter::Convert(picture, target);
    } else if (target.width <= kMaxScaledWidth && target.height <= kMaxScaledHeight &&
               target.width > 3 && target.height > 3) {
        CCorvoFrameWriter::ConvertScaled(picture, target);
    } else {
        CCorvoFrameWriter::FillBlack(target);
    }
}

void CCorvoCapturePin::WriteStill(const CorvoCaptureSnapshot& settings,
                                  const CorvoFrameTarget& target) {
    if (settings.still != m_stillSource || m_stillPrepared.Width() != target.width ||
        m_stillPrepared.Height() != target.height) {
        // An image that failed to load is a black one.
        m_stillSource = settings.still;
        m_stillPrepared = CCorvoImage(target.width, target.height);
        if (m_stillSource != nullptr) {
            CCorvoFrameWriter::ConvertScaled(m_stillSource->View(), ImageTarget(m_stillPrepared));
        }
    }
    const CorvoImageView still = m_stillPrepared.View();
    if (settings.imageMode == CorvoImageMode::Around800x600 && target.width > 800 &&
        target.height > 600) {
        CCorvoFrameWriter::ConvertAround(still, target, 800, 600);
    } else if (settings.imageMode == CorvoImageMode::Around720x576 && target.width > 720 &&
               target.height > 576) {
        CCorvoFrameWriter::ConvertAround(still, target, 720, 576);
    } else {
        CCorvoFrameWriter::Convert(still, target);
    }
}
