#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "ICorvoScreenSource.h"

class CCorvoCastStream;
class CCorvoPortalSession;

// The desktop of a Wayland session through the desktop portal's screen
// cast: the user picks a monitor or window in the portal's chooser when the
// capture starts, and its frames come as a PipeWire stream with the cursor
// drawn in.
class CCorvoPortalScreen final : public ICorvoScreenSource {
public:
    // How long the first frame of a granted cast may take.
    static constexpr int kFirstFrameMs = 5000;

    CCorvoPortalScreen();
    ~CCorvoPortalScreen() override;

    // The size of the running cast, from any thread; unknown while none
    // runs, since the user chooses what to cast only when it starts.
    CorvoScreenSize CastSize() const;

    bool Open(std::string* error) override;
    void Close() override;
    CorvoScreenSize Size() override;
    bool Grab(int left, int top, int width, int height, CorvoImageView* picture,
              std::string* error) override;
    bool IsLost() override;
    void Interrupt() override;

private:
    std::unique_ptr<CCorvoPortalSession> m_session;
    std::unique_ptr<CCorvoCastStream> m_stream;
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_interrupted{false};
};
