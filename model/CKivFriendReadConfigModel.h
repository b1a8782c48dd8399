#pragma once

#include "CKivTlsSettings.h"
#include "SStr_Config_File.h"

// The server settings, read from "Config/config.ini" once per process, when
// the instance is created; a missing file or key keeps the defaults.
class CKivFriendReadConfigModel {
public:
    static CKivFriendReadConfigModel* GetInstance();
    static void ReleaseInstance();

    SStr_Config_File* GetConfigFile() { return &m_config; }
    // The TLS of the messaging connection the file asks for; the name checked
    // is "tlsname", or "ipaddr" without one.
    CKivTlsSettings GetTlsSettings() const;

private:
    CKivFriendReadConfigModel();
    void ReadConfigFile();

    SStr_Config_File m_config;
};
