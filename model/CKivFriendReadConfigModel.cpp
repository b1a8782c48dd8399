#include "CKivFriendReadConfigModel.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>

#include "CKivFriendCommTool.h"
#include "CKivFriendReadIniFile.h"

namespace {

std::mutex& instanceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<CKivFriendReadConfigModel>& instance() {
    static std::unique_ptr<CKivFriendReadConfigModel> model;
    return model;
}

int32_t toInt32(long value) {
    return static_cast<int32_t>(std::clamp<long>(value, std::numeric_limits<int32_t>::min(),
                                                 std::numeric_limits<int32_t>::max()));
}

}  // namespace

CKivFriendReadConfigModel* CKivFriendReadConfigModel::GetInstance() {
    std::lock_guard<std::mutex> lock(instanceMutex());
    if (!instance()) {
        instance().reset(new CKivFriendReadConfigModel());
    }
    return instance().get();
}

void CKivFriendReadConfigModel::ReleaseInstance() {
    std::lock_guard<std::mutex> lock(instanceMutex());
    instance().reset();
}

CKivFriendReadConfigModel::CKivFriendReadConfigModel() {
    ReadConfigFile();
}

void CKivFriendReadConfigModel::ReadConfigFile() {
    wchar_t path[CKivFriendCommTool::PathCapacity];
    CKivFriendCommTool* tool = CKivFriendCommTool::GetInstance();
    tool->Get_Current_Path(path, L"/Config/config.ini", false);
    if (!tool->File_Exists(path)) {
        return;
    }
    CKivFriendReadIniFile ini(path);
    ini.read_stringA(L"base", L"ipaddr", m_config.ipaddr, sizeof(m_config.ipaddr));
    m_config.port = toInt32(ini.read_long(L"base", L"port", m_config.port));
    m_config.version = toInt32(ini.read_long(L"base", L"version", m_config.version));
    m_config.tls = toInt32(ini.read_long(L"base", L"tls", m_config.tls));
    ini.read_stringA(L"base", L"tlscafile", m_config.tlscafile, sizeof(m_config.tlscafile));
    ini.read_stringA(L"base", L"tlspin", m_config.tlspin, sizeof(m_config.tlspin));
    ini.read_stringA(L"base", L"tlsname", m_config.tlsname, sizeof(m_config.tlsname));
}

CKivTlsSettings CKivFriendReadConfigModel::GetTlsSettings() const {
    CKivTlsSettings tls;
    tls.enabled = m_config.tls != 0;
    tls.caFile = m_config.tlscafile;
    tls.pin = m_config.tlspin;
    tls.hostName = m_config.tlsname[0] != '\0' ? m_config.tlsname : m_config.ipaddr;
    return tls;
}
