#include "CKivFriendCommTool.h"

#include <QDir>
#include <QFileInfo>
#include <memory>
#include <mutex>

namespace {

std::mutex& instanceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<CKivFriendCommTool>& instance() {
    static std::unique_ptr<CKivFriendCommTool> tool;
    return tool;
}

}  // namespace

CKivFriendCommTool* CKivFriendCommTool::GetInstance() {
    std::lock_guard<std::mutex> lock(instanceMutex());
    if (!instance()) {
        instance().reset(new CKivFriendCommTool());
    }
    return instance().get();
}

void CKivFriendCommTool::ReleaseInstance() {
    std::lock_guard<std::mutex> lock(instanceMutex());
    instance().reset();
}

void CKivFriendCommTool::Get_Current_Path(wchar_t* out, const wchar_t* relative,
                                          bool trailingSeparator) {
    if (!out) {
        return;
    }
    QString path = QDir::currentPath();
    if (relative) {
        path += QString::fromWCharArray(relative);
    }
    if (trailingSeparator) {
        path += '/';
    }
    path.truncate(PathCapacity - 1);
    const int written = path.toWCharArray(out);
    out[written] = L'\0';
}

bool CKivFriendCommTool::File_Exists(const wchar_t* path) {
    return path && path[0] != L'\0' && QFileInfo::exists(QString::fromWCharArray(path));
}
