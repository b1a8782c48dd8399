#pragma once

#include <QStringList>
#include <functional>

#include <QString>
#include <array>

#include "shell/QWindowBase.h"

class CKivSession;
class CKivFriendKeyPressLineEdit;
class KivSoundCheck;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTcpSocket;
class QTimer;

// "系统设置": the user's settings file, in six pages (general, hot keys,
// sounds, history, network, update).
class CKivFriendSysSettingDlg : public QWindowBase {
    Q_OBJECT
public:
    // The hot keys the dialog edits, in the order of the settings table.
    enum HotKeyRow { ShowmDlg, Getmsg, Sndpic, HideFriend, HotKeyCount };
    static constexpr const char* kAppName = "kivim";

    // Applies the saved hot keys and returns the names of those the desktop
    // refused ("ShowmDlgName", "GetmsgName"); empty when all were taken.
    using HotKeyApplier = std::function<QStringList()>;

    CKivFriendSysSettingDlg(QWidget* parent, CKivSession& session, HotKeyApplier applyHotKeys = {});
    ~CKivFriendSysSettingDlg() override;

    // The account whose settings are edited (by default the main window's).
    void SetAccount(const QString& account);
    QString SettingsFile() const;
    int CurrentPage() const;
    // Names of the controls, for the pages' state as a user sees it.
    QCheckBox* HotKeyCheck(int row) const { return m_hotKeys[size_t(row)].check; }
    CKivFriendKeyPressLineEdit* HotKeyEdit(int row) const { return m_hotKeys[size_t(row)].edit; }
    // How long the network check waits for the messaging server.
    void SetNetCheckTimeout(int ms) { m_netCheckTimeoutMs = ms; }

signals:
    void setInitSignal();
    // The chat history was cleared.
    void HistoryCleared();

public slots:
    void bConvent_Clicked();
    void bHotkey_Clicked();
    void bVoice_Clicked();
    void bHistoryrecord_Clicked();
    void bNetconnect_Clicked();
    void bSoftupdate_Clicked();
    void bpushButtonOk_Clicked();
    void bpushButtonApp_Clicked();
    void bpushButtonCancel_Clicked();
    void bClose_Clicked();
    void bMinimize_Clicked();
    // The proxy kind by the item's key: fields off for "不使用代理".
    void ProxyTypeChanged(int index);
    // The same for the kind an item shows; the combo box reports indexes.
    void ComboboxChangedText(const QString& shown);
    void NetCheck();
    void pushButton_7ClickedSlot();
    void HistoryBrowseClicked();
    // "测试": the chosen microphone to the chosen speaker for a few seconds.
    void SoundTestClicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    CKivSession& m_session;
    HotKeyApplier m_applyHotKeys;
    struct HotKeyControls {
        QCheckBox* check = nullptr;
        CKivFriendKeyPressLineEdit* edit = nullptr;
    };

    QWidget* BuildGeneralPage();
    QWidget* BuildHotKeyPage();
    QWidget* BuildVoicePage();
    QWidget* BuildHistoryPage();
    QWidget* BuildNetPage();
    QWidget* BuildUpdatePage();
    void ShowPage(int page);
    void ReadSettings();
    // Writes every key; false when the file could not be written.
    bool SaveSettings();
    void ApplyHotKeys(class QSettings& ini, bool changed);
    QString DefaultHistoryPath() const;
    void FillSoundDevices(const class QSettings& ini);
    void FinishNetCheck(bool reachable);
    // The language note shows while the chosen language is not the running one.
    void UpdateLanguageNote();

    QString m_account;
    std::array<QPushButton*, 6> m_pageButtons{};
    QStackedWidget* m_pPages = nullptr;
    QCheckBox* m_pBootStart = nullptr;
    QCheckBox* m_pAutoLogin = nullptr;
    QRadioButton* m_pCloseHide = nullptr;
    QRadioButton* m_pCloseQuit = nullptr;
    QCheckBox* m_pMarginHide = nullptr;
    QCheckBox* m_pWindowFront = nullptr;
    QCheckBox* m_pDesktopNotify = nullptr;
    QComboBox* m_pLanguage = nullptr;
    QLabel* m_pLanguageNote = nullptr;
    std::array<HotKeyControls, HotKeyCount> m_hotKeys{};
    QRadioButton* m_pSendEnter = nullptr;
    QRadioButton* m_pSendCtrlEnter = nullptr;
    std::array<QCheckBox*, 4> m_voices{};
    QCheckBox* m_pEchoCancel = nullptr;
    QCheckBox* m_pEncryptedOnly = nullptr;
    QComboBox* m_pMicrophone = nullptr;
    QComboBox* m_pSpeaker = nullptr;
    QPushButton* m_pSoundTest = nullptr;
    KivSoundCheck* m_pSoundCheck = nullptr;
    QRadioButton* m_pHistoryDefault = nullptr;
    QRadioButton* m_pHistoryCustom = nullptr;
    QLineEdit* m_pHistoryPath = nullptr;
    QPushButton* m_pHistoryBrowse = nullptr;
    QComboBox* m_pProxyType = nullptr;
    std::array<QLineEdit*, 4> m_proxyFields{};
    QPushButton* m_pNetCheck = nullptr;
    QCheckBox* m_pAutoReconnect = nullptr;
    QTcpSocket* m_pProbe = nullptr;
    QTimer* m_pProbeTimer = nullptr;
    int m_netCheckTimeoutMs = 5000;
};
