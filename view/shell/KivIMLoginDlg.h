#pragma once

#include <QPointer>
#include <QSystemTrayIcon>
#include <memory>

#include "shell/QWindowBase.h"
#include "support/KivAccountLock.h"
#include "support/SimpleCrypt.h"

class CKivReconnectModel;
class CKivSession;
class KivIMMainDlg;
class QCheckBox;
class QCustomComboBox;
class QCustomLineEdit;
class QLabel;
class KivHeadDownload;
class QPushButton;
class QSettings;
class KivTimer;
class kivRecoverPassworddlg;
class kivRegisterDlg;

// The first window: saved accounts, password, remember/auto-login, the login
// request and its result. It stays alive for the whole session.
class KivIMLoginDlg : public QWindowBase {
    Q_OBJECT
public:
    static constexpr int kLoginDelayMs = 500;
    static constexpr int kLoginTimeoutMs = 3000;

    // The session is the program's; the dialog and its main windows use it.
    KivIMLoginDlg(QWidget* parent, CKivSession& session);
    ~KivIMLoginDlg() override;

    bool IsLoginPending() const { return m_loginPending; }
    // How long a login waits after the button before it is sent
    // (kLoginDelayMs); tests that do not look at it send at once.
    void SetLoginDelayMs(int ms) { m_loginDelayMs = ms; }
    // Heals the logged-in session when its connection is lost.
    CKivReconnectModel* Reconnect() const;

signals:
    // A fresh main window replaced the previous one after a lost connection.
    void MainDlgReplaced(KivIMMainDlg* mainDlg);

public slots:
    void SetAccount(QString account);
    // The registration or recovery dialog has closed: the login comes back.
    void AcceptDelete();
    void RecoverAcceptDelete();
    void onLoginButtonClicked();
    void NetLoginResult(int result);
    void AccountLoginResultSlot(int nSucss, int nErrm, int pHead, QString pAccount, QString pSign,
                                QString pNikeName, QString pAppversion, bool bGUIDnew);
    void FaildConnectSlot();
    void CloseConnectSlot();
    // The connection stopped before anything was sent (TLS): a clear box
    // instead of the network one, and the dialog usable again.
    void TlsRefusedSlot(bool serverWantsTls, QString reason);
    void TimeoutEx();
    void bRegAccount_Clicked();
    void bForgetPwd_Clicked();
    void bClose_Clicked();
    void bMinimize_Clicked();
    void eyeBtnClicked();
    void ComboBoxChange(QString text);
    void uesrListItemDel(QString account);
    void checkBoxClicked();
    void trayiconActivated(QSystemTrayIcon::ActivationReason reason);
    void HeadStored(quint32 uid, const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildForm();
    void FitCheckBoxes();
    void ConnectSignals();
    void FillAccountList();
    void readConfigInit();
    QString RememberedPassword(const QString& account, const QSettings& ini) const;
    void ConnectServer();
    // false when the user chose to install or download an update instead.
    bool CheckUpdate();
    void SendLoginWhenConnected(const QByteArray& request);
    void StopLoginTimer();
    void LoginSucceeded(int uid, int head, const QString& account, const QString& sign,
                        const QString& nickName, const QString& appVersion, bool newGuid);
    void SaveCheckBoxes(const QString& account);
    // A tip over the main window once the login has finished.
    static void TellLater(const QString& text);
    QString Account() const;
    // Shows an account dialog of the client in place of the login dialog.
    void ShowInsteadOfLogin(QWidget* dialog);
    void ShowHeadFor(const QString& account);
    static void RetireMainDlg(KivIMMainDlg* old);
    // The main window follows the connection's state and asks for attempts.
    void WireMainDlg(KivIMMainDlg* mainDlg);
    // A lost connection of a logged-in session is healed in place unless the
    // user turned that off; true when reconnection took it over.
    bool HealInPlace();
    // The answer to a login sent by reconnection.
    void ReloginResult(int nSucss, int nErrm);
    // The session is over: a fresh main window, and the login dialog again.
    void ReturnToLogin();
    // The server reports the account logged in elsewhere: the program ends.
    void EndSessionElsewhere();
    // The box text for a refused login; empty for a refusal that shows none.
    static QString RefusalText(int nErrm);

public:
    static QString TlsRefusalText(bool serverWantsTls);

    QPushButton* m_pLogin = nullptr;
    QCustomComboBox* m_pAccount = nullptr;
    QCustomLineEdit* m_pPassword = nullptr;
    QCheckBox* m_pRemember = nullptr;
    QCheckBox* m_pAutoLogin = nullptr;
    QPushButton* m_pRegister = nullptr;
    QPushButton* m_pForget = nullptr;
    QPushButton* m_pEye = nullptr;
    QLabel* m_pHead = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_pTray;
    std::unique_ptr<SimpleCrypt> m_pCrypt;
    CKivSession& m_session;
    KivHeadDownload* m_pHeads = nullptr;
    int m_showPassword = 0;
    // Gives a login up after kLoginTimeoutMs, on the session's clock.
    std::unique_ptr<KivTimer> m_loginTimeout;
    bool m_loginPending = false;
    int m_loginDelayMs = kLoginDelayMs;
    QPointer<kivRegisterDlg> m_pRegisterDlg;
    QPointer<kivRecoverPassworddlg> m_pRecoverDlg;
    QString m_loggedInAccount;
    // The account whose session this client runs or is logging in.
    KivAccountLock m_accountLock;
    // The login request on its way, kept (in memory only) for logging in again.
    QByteArray m_sentRequest;
    bool m_bInstalling = false;
};
