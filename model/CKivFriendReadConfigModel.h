#pragma once

#include "SStr_Config_File.h"

// The server settings, read from "Config/config.ini" once per process, when
// the instance is created; a missing file or key keeps the defaults.
class CKivFriendReadConfigModel {
public:
    static CKivFriendReadConfigModel* GetInstance();
    static void ReleaseInstance();

    SStr_Config_File* GetConfigFile() { return &m_config; }

private:
    CKivFriendReadConfigModel();
    void ReadConfigFile();

    SStr_Config_File m_config;
};
