#pragma once

#include <mutex>
#include <string>

#include "CCorvoCapturePin.h"
#include "CCorvoCaptureSettings.h"

// The capture source behind the element: its parameters, the pin that
// makes its frames from the X display named by $DISPLAY, and the file its
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
    CCorvoCaptureSettings m_settings;
    CCorvoCapturePin m_pin;
    mutable std::mutex m_stateLock;
    std::string m_stateFile;
};
