#pragma once

#include <QList>
#include <QVariant>

#include "shell/QWindowBase.h"

class CKivSession;
class KivAddFriendItem;
class KivHeadDownload;
class QGridLayout;
class QLabel;
class QLineEdit;

// "查找用户": searches one user by account or phone number through the server
// and shows the match as a row with an add button.
class KivAddCheckFriendDlg : public QWindowBase {
    Q_OBJECT
public:
    KivAddCheckFriendDlg(QWidget* parent, CKivSession& session);
    ~KivAddCheckFriendDlg() override;

    KivAddFriendItem* ResultItem() const { return m_pItem; }
    int ResultCount() const { return m_resultCount; }

signals:
    void SndFriendInfo(QList<QVariant> info);
    void SndCloseSignal();

public slots:
    void CheckBtnClicked();
    void InitCheckFriendDlg(int result, bool isNew, const QByteArray& account);
    void HeadStored(quint32 uid, const QString& path);
    void bClose_Clicked();
    void bMinimize_Clicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CKivSession& m_session;
    QLineEdit* m_pEdit = nullptr;
    class QPushButton* m_pCheck = nullptr;
    QLabel* m_pCaption = nullptr;
    QGridLayout* m_pGrid = nullptr;
    KivHeadDownload* m_pHeads = nullptr;
    KivAddFriendItem* m_pItem = nullptr;
    int m_resultCount = 0;
    // The text of the search that waits for its answer; empty when none does,
    // so answers to other windows' searches are left alone.
    QString m_pendingSearch;
};
