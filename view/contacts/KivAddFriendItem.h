#pragma once

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include "contacts/ADDFriendInfo.h"

#include "contacts/CKivIMaddfriendDlg.h"
class CKivSession;
class QLabel;

// One search result: head, nick name and account, and the add button that
// opens the request dialog.
class KivAddFriendItem : public QWidget {
    Q_OBJECT
public:
    KivAddFriendItem(QWidget* parent, CKivSession& session);
    ~KivAddFriendItem() override;

    quint32 FriendId() const { return m_info.friendId; }
    int HeadIndex() const { return m_headIndex; }
    const ADDFriendInfo& Info() const { return m_info; }
    CKivIMaddfriendDlg* RequestDialog() const { return m_pRequest; }
    class QPushButton* AddButton() const {
        return m_pAdd;
    }
    void SetHead(const QString& path);

public slots:
    // {own id, uid, sex, head, account, nick, nick, sign, area, phone, birthday}
    void AcceptFriendInfo(const QList<QVariant>& info);
    void ShowCheckFriendInfo(const int& uid, const QString& account);
    void AddBtnClicked();

private:
    CKivSession& m_session;
    ADDFriendInfo m_info;
    int m_headIndex = 0;
    QString m_sign;
    QLabel* m_pHead = nullptr;
    QLabel* m_pNick = nullptr;
    QLabel* m_pAccount = nullptr;
    class QPushButton* m_pAdd = nullptr;
    QPointer<CKivIMaddfriendDlg> m_pRequest;
};
