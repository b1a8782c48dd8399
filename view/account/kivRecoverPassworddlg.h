#pragma once

#include "KivMetaTypes.h"
#include "account/KivCheckCodeDlg.h"

// A new password for an account named by a mobile phone number: a check
// number is sent to the phone and typed back with the new password twice.
class kivRecoverPassworddlg : public KivCheckCodeDlg {
    Q_OBJECT
public:
    static constexpr int kFirstWait = 60;
    static constexpr int kLaterWait = 5;

    kivRecoverPassworddlg(QWidget* parent, CKivSession& session);

public slots:
    void bSubmit_Clicked();
    void getCodeClicked();
    void AcceptMsgNewPwdSlot(QString checkNumber, int uid);
    void SetNewPwdSlot(Uint32 result);

private:
    void SendRePWD(QString phone);
    void ForgetCheckNumber();

    int m_uid = 0;
    QString m_checkNumber;
    // The phone the last request went to, and the one the held check number belongs to.
    QString m_codePhone;
    bool m_waitingForResult = false;
};
