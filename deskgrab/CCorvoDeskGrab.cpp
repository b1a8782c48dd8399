#include "CCorvoDeskGrab.h"

#include <filesystem>
#include <memory>

#include "CCorvoPersistState.h"
#include "CCorvoXcbScreen.h"

CCorvoDeskGrab::CCorvoDeskGrab()
    : m_settings([] { return CCorvoXcbScreen::QuerySize(std::string()); }),
      m_pin(m_settings, std::make_unique<CCorvoXcbScreen>(std::string())) {}

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
