#pragma once

#include <QPointer>
#include <QStringList>

#include "KivContactProfile.h"
#include "KivProtocol.h"
#include "shell/QWindowBase.h"

#include "contacts/KivIMChoiceHeadDlg.h"
class CKivSession;
class QComboBox;
class QLabel;
class QLineEdit;
class KivHeadDownload;
class QPushButton;

// A user's profile: "我的资料" (own, editable) or "好友资料" (a friend's,
// read-only), with the age, star sign and zodiac animal of the birthday.
class kivPersonalInfoDlg : public QWindowBase {
    Q_OBJECT
public:
    enum Mode { OwnMode = 1, FriendMode = 2 };

    kivPersonalInfoDlg(QWidget* parent, CKivSession& session);
    ~kivPersonalInfoDlg() override;

    // Chooses the mode and asks the server for a fresh copy of the profile.
    void InitInfo(quint32 uid, int mode, const QString& account);
    // Loads and shows the profile of uid from the local database.
    void InitInfo(const int& uid, bool refresh);
    void showType(const int& uid, const int& mode, const QString& account);
    quint32 Uid() const { return m_uid; }
    int Mode() const { return m_mode; }
    // The profile as the fields hold it now.
    KivContactProfile EditedProfile() const;
    KivIMChoiceHeadDlg* HeadDialog() const { return m_pHeadDlg; }

signals:
    // {nick name, signature, head picture path}; empty fields are unchanged.
    void SndAlter(QStringList changed);
    void SndChangeSign(QString sign);

public slots:
    void InitShowInfo(int uflg, bool bGUIDnew, const QByteArray& account);
    void SaveClicked();
    // The server's answer to the own save, handed over by the main window.
    void SaveResult(Uint32 uid, Uint32 result);
    void HeadClicked();
    void HeadChanged(const QString& path);
    void HeadStored(quint32 uid, const QString& path);

private:
    CKivSession& m_session;
    void BuildForm();
    void ShowProfile(const KivContactProfile& profile);
    void ShowHead(const QString& path);
    void UpdateDerived();
    void UpdateDayRule();
    void FillProvinces(const QString& select);
    void FillCities(const QString& select);
    void SetEditable(bool editable);
    QString Birthday() const;
    QString ChosenArea() const;

    quint32 m_uid = 0;
    int m_mode = FriendMode;
    QString m_account;
    KivContactProfile m_shown;
    // The birthday and area as the controls showed them with the profile.
    QString m_shownBirthday;
    QString m_shownArea;
    bool m_bSaving = false;
    KivContactProfile m_saving;

    QPushButton* m_pHead = nullptr;
    QLineEdit* m_pNick = nullptr;
    QLineEdit* m_pSign = nullptr;
    QLabel* m_pAccount = nullptr;
    QComboBox* m_pSex = nullptr;
    QLabel* m_pSexText = nullptr;
    QLabel* m_pAreaText = nullptr;
    QLineEdit* m_pYear = nullptr;
    QLineEdit* m_pMonth = nullptr;
    QLineEdit* m_pDay = nullptr;
    QLabel* m_pAge = nullptr;
    QLabel* m_pStar = nullptr;
    QLabel* m_pZodiac = nullptr;
    QComboBox* m_pCountry = nullptr;
    QComboBox* m_pProvince = nullptr;
    QComboBox* m_pCity = nullptr;
    QLineEdit* m_pPhone = nullptr;
    QPushButton* m_pSave = nullptr;
    KivHeadDownload* m_pHeads = nullptr;
    QPointer<KivIMChoiceHeadDlg> m_pHeadDlg;
};
