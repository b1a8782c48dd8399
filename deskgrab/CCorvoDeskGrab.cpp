#include "CCorvoDeskGrab.h"

#include <filesystem>
#include <memory>

#include "CCorvoPersistState.h"
#include "CCorvoPortalScreen.h"
#include "CCorvoXcbScreen.h"
#include "KivSessionType.h"

CCorvoDeskGrab::CCorvoDeskGrab()
    : m_settings([this] { return ScreenSize(); }), m_pin(m_settings, MakeScreen()) {}

std::unique_ptr<ICorvoScreenSource> CCorvoDeskGrab::MakeScreen() {
    // On Wayland an X client sees only XWayland's windows: the desktop
    // portal's screen cast shows the whole screen.
    if (KivChooseSession(KivSessionVariables::FromProcess()).type == KivSessionType::Wayland) {
        auto portal = std::make_unique<CCorvoPortalScreen>();
        m_portal = portal.get();
        return portal;
    }
    return std::make_unique<CCorvoXcbScreen>(std::string());
}

CorvoScreenSize CCorvoDeskGrab::ScreenSize() const {
    // A portal session is never opened just to learn a size: it would put
    // the portal's chooser before the user a second time.
    return m_portal != nullptr ? m_portal->CastSize() : CCorvoXcbScreen::QuerySize(std::string());
}

bool CCorvoDeskGrab::SetStateFile(const std::string& path, std::string* error) {
    {
        std::lock_guard<std::mutex> guard(m_stateLock);
        m_stateFile = path;
    }
    std::error_code ignored;
    if (path.empty() || !std::filesystem::exists(path, ignored)) {
        return true;
    }
    return CCorvoPersistState::Load(m_settings, path, error);
}

std::string CCorvoDeskGrab::StateFile() const {
    std::lock_guard<std::mutex> guard(m_stateLock);
    return m_stateFile;
}

bool CCorvoDeskGrab::SaveState(std::string* error) {
    const std::string path = StateFile();
    return path.empty() || CCorvoPersistState::Save(m_settings, path, error);
}
