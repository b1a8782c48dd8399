#include "CCorvoPortalScreen.h"

#include "CCorvoCastStream.h"
#include "CCorvoPortalSession.h"

CCorvoPortalScreen::CCorvoPortalScreen()
    : m_session(std::make_unique<CCorvoPortalSession>()),
      m_stream(std::make_unique<CCorvoCastStream>()) {}

CCorvoPortalScreen::~CCorvoPortalScreen() {
    Close();
}

CorvoScreenSize CCorvoPortalScreen::CastSize() const {
    if (!m_open) {
        return CorvoScreenSize::Unknown();
    }
    return m_stream->Size();
}

bool CCorvoPortalScreen::Open(std::string* error) {
    Close();
    m_interrupted = false;
    if (!m_session->Open(error)) {
        return false;
    }
    if (!m_stream->Start(m_session->PipeWireFd(), m_session->Node(),
                         std::chrono::milliseconds(kFirstFrameMs), error)) {
        m_session->Close();
        return false;
    }
    m_open = true;
    return true;
}

void CCorvoPortalScreen::Close() {
    m_open = false;
    m_stream->Stop();
    m_session->Close();
}

CorvoScreenSize CCorvoPortalScreen::Size() {
    return m_stream->Size();
}

bool CCorvoPortalScreen::IsLost() {
    return !m_open || m_interrupted || m_stream->HasFailed(nullptr) || m_session->IsClosed();
}

void CCorvoPortalScreen::Interrupt() {
    m_interrupted = true;
    m_session->Interrupt();
    m_stream->Interrupt();
}

bool CCorvoPortalScreen::Grab(int left, int top, int width, int height, CorvoImageView* picture,
                              std::string* error) {
    if (IsLost()) {
        std::string reason;
        if (m_stream->HasFailed(&reason)) {
            *error = reason;
        } else {
            *error = "the screen cast has ended";
        }
        return false;
    }
    CorvoImageView frame;
    if (!m_stream->Latest(&frame, error)) {
        return false;
    }
    // The cast may have shrunk (a window made smaller) since the size was read.
    if (left < 0 || top < 0 || width <= 0 || height <= 0 || left + width > frame.width ||
        top + height > frame.height) {
        *error = "the area lies outside the screen cast's picture";
        return false;
    }
    *picture = {frame.data + static_cast<std::ptrdiff_t>(top) * frame.stride +
                    static_cast<std::ptrdiff_t>(left) * 4,
                width, height, frame.stride};
    return true;
}
