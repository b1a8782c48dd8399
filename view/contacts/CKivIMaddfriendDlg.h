#pragma once

#include "contacts/ADDFriendInfo.h"
#include "shell/QWindowBase.h"

class CKivSession;
class QLabel;
class QLineEdit;

// Asks a user to become a friend: the person's profile and a verification text.
class CKivIMaddfriendDlg : public QWindowBase {
    Q_OBJECT
public:
    // The verification text field holds at most this many bytes with its terminator.
    static constexpr int kVerifyField = 52;

    CKivIMaddfriendDlg(QWidget* parent, CKivSession& session);

    void InitFriendInfo(const ADDFriendInfo& info);
    const ADDFriendInfo& FriendInfo() const { return m_info; }

public slots:
    void SendAddFriend();
    void CloseDlg();
    void b_MinimizeClicked();

private:
    CKivSession& m_session;
    ADDFriendInfo m_info;
    QLabel* m_pHead = nullptr;
    QLabel* m_pNick = nullptr;
    QLabel* m_pAccount = nullptr;
    QLabel* m_pSex = nullptr;
    QLabel* m_pAge = nullptr;
    QLabel* m_pArea = nullptr;
    QLineEdit* m_pVerify = nullptr;
};
