#pragma once

#include <QPointer>
#include <cstdint>

#include "KivProtocol.h"
#include "shell/QWindowBase.h"

class CKivSession;
class KivResendCountdown;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The frame the two account dialogs share: a phone number, a check number with
// its request button and resend wait, a password typed twice, and the submit
// and close buttons, over the dialog's own skin.
class KivCheckCodeDlg : public QWindowBase {
    Q_OBJECT
public:
    struct Form {
        const char* objectName;
        const char* title;
        const char* background;  // picture path, also the dialog's size
        const char* sheet;
        const char* submitName;
        const char* submitText;
        int firstWait;      // seconds before the first new request
        int laterWait;      // seconds before every later one
        int passwordBytes;  // the longest password the record carries
    };

    bool IsCountdownRunning() const;
    int CountdownSeconds() const;

signals:
    void CloseSignal();

public slots:
    void bMinimize_Clicked();
    // Hides the dialog; its owner destroys it on CloseSignal().
    void bClose_Clicked();
    // The user confirmed a message: the caret goes back to the field it was about.
    void BoxMessageSlot();
    void TimerEnd();

protected:
    void reject() override;

    KivCheckCodeDlg(const Form& form, QWidget* parent, CKivSession& session);

    // Shows `text` in the system's box and waits for the user; false when the
    // dialog was destroyed meanwhile.
    bool ShowMessage(const QString& text, QLineEdit* field = nullptr);
    // Passes on whether a record went out; when it did not, the user is told
    // and the connection is opened again for the next try.
    bool Delivered(bool sent);
    void StartCountdown();
    // Says so and returns false when the typed phone number breaks the rule.
    bool CheckPhone();
    // Asks the server for a check number for `phone`. The phone is
    // remembered once the request went out.
    bool RequestCheckNumber(const QString& phone, KivCheckPurpose purpose);
    // Shows why the password typed twice cannot be sent (empty, too long,
    // not the same twice); true when it can. An empty password would lock the
    // account out.
    bool CheckPasswords();

    // The typed values, without leading or trailing blanks.
    QString Phone() const;
    QString TypedCode() const;

    QGridLayout* m_pGrid = nullptr;
    QLineEdit* m_pPhone = nullptr;
    QLineEdit* m_pPasswd = nullptr;
    QLineEdit* m_pPasswd2 = nullptr;
    QLineEdit* m_pCode = nullptr;
    QPushButton* m_pGetCode = nullptr;
    QPushButton* m_pSubmit = nullptr;
    QPushButton* m_pCloseButton = nullptr;
    QLabel* m_pCountdownLabel = nullptr;
    CKivSession& m_session;
    // The phone of the latest check-number request that went out.
    QString m_requestedPhone;

private:
    void BuildForm(const Form& form);

    KivResendCountdown* m_pCountdown = nullptr;
    int m_passwordBytes = 0;
    QPointer<QLineEdit> m_pFocusAfterBox;
};
