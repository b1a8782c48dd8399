#pragma once

#include <QByteArray>
#include <memory>

#include "contacts/CKivFriendSysSettingDlg.h"

class CKivSession;
class KivIMMainDlg;
class KivModalCloser;
class KivViewTestTree;

// The settings page's world for its tests: a tree of its own holding the
// user settings of "tester" (XDG_CONFIG_HOME points into it), a session and
// its main window, and a closer for the message boxes. Made before each test
// and dropped after it.
struct KivSettingsPageRig {
    KivSettingsPageRig();
    ~KivSettingsPageRig();
    KivSettingsPageRig(const KivSettingsPageRig&) = delete;
    KivSettingsPageRig& operator=(const KivSettingsPageRig&) = delete;

    // The main window applies the page's hot keys, as it does for its own page.
    CKivFriendSysSettingDlg::HotKeyApplier HotKeys();

    std::unique_ptr<KivViewTestTree> tree;
    std::unique_ptr<CKivSession> session;
    std::unique_ptr<KivIMMainDlg> window;
    std::unique_ptr<KivModalCloser> closer;

private:
    QByteArray m_savedConfigHome;
};
