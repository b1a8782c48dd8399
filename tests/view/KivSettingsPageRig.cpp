#include "KivSettingsPageRig.h"

#include "CKivFriendReadConfigModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivModalCloser.h"
#include "KivTestSession.h"
#include "KivUserSettings.h"
#include "KivViewTestTree.h"
#include "shell/KivIMMainDlg.h"

KivSettingsPageRig::KivSettingsPageRig() : tree(std::make_unique<KivViewTestTree>()) {
    m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", (tree->path() + QStringLiteral("/xdg")).toUtf8());
    KivUserSettings::EnsureDefaults(QStringLiteral("tester"));
    session = KivNewTestSession();
    window = std::make_unique<KivIMMainDlg>(nullptr, *session);
    KivIMMainDlg::mainDlg = window.get();
    window->m_uid = 10001;
    window->m_account = QStringLiteral("tester");
    window->InitMaindlg();
    closer = std::make_unique<KivModalCloser>();
}

KivSettingsPageRig::~KivSettingsPageRig() {
    closer.reset();
    window.reset();
    session.reset();
    CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    CKivFriendReadConfigModel::ReleaseInstance();
    qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
    tree.reset();
    KivViewTestTree::ForgetQuit();
}

CKivFriendSysSettingDlg::HotKeyApplier KivSettingsPageRig::HotKeys() {
    return [this] {
        window->InitHotKey();
        return window->FailedHotKeys();
    };
}
