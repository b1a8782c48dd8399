#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "CCorvoCapturePin.h"
#include "CCorvoCaptureSettings.h"

class CCorvoPortalScreen;
class ICorvoScreenSource;

// The capture source behind the element: its parameters, the pin that
// makes its frames (from the X display named by $DISPLAY, or from the
// desktop portal's screen cast on a Wayland session), and the file its
// parameters are kept in.
class CCorvoDeskGrab {
public:
    CCorvoDeskGrab();

    CCorvoCaptureSettings& Settings() { return m_settings; }
    CCorvoCapturePin& Pin() { return m_pin; }

    // Names the state file and applies what it holds, if it exists.
    bool SetStateFile(const std::string& path, std::string* error);
    std::string StateFile() const;
    // Writes the parameters to the state file, if one is named.
    bool SaveState(std::string* error);

private:
    std::unique_ptr<ICorvoScreenSource> MakeScreen();
    CorvoScreenSize ScreenSize() const;

    CCorvoCaptureSettings m_settings;
    // The portal screen when the pin has one; the pin owns it.
    CCorvoPortalScreen* m_portal = nullptr;
    CCorvoCapturePin m_pin;
    mutable std::mutex m_stateLock;
    std::string m_stateFile;
};
