#pragma once

#include "account/KivCheckCodeDlg.h"

// A new account named by a mobile phone number: a check number is sent to the
// phone, typed back with a password, and the account is registered. The new
// account leaves by SetPhoneNumber(), fitting the login dialog's SetAccount().
class kivRegisterDlg : public KivCheckCodeDlg {
    Q_OBJECT
public:
    static constexpr int kFirstWait = 120;
    static constexpr int kLaterWait = 10;

    kivRegisterDlg(QWidget* parent, CKivSession& session);

signals:
    void SetPhoneNumber(QString phone);

public slots:
    void bSubmit_Clicked();
    void NetRegisterResult(int result);
    void getCodeClicked();
    void AcceptMsgRegistRetSlot(int uResult, QString checkNumber, int uid);

private:
    void SendRegist(QString phone);
    void SendRegisterRecord(const QString& phone);

    QLineEdit* m_pAccount = nullptr;
    int m_uid = 0;
    QString m_checkNumber;
    // The phone the last request went to, and the one the held check number belongs to.
    QString m_codePhone;
    // The phone number of the registered account.
    QByteArray m_phone;
    bool m_waitingForResult = false;
};
