#pragma once

#include <QWidget>

class CKivIMaddfriendTipDlg;
class QPushButton;

// One waiting friend request: the asker's head, name, text and time, with
// Accept and Refuse.
class CFriendInfoWnd : public QWidget {
    Q_OBJECT
public:
    CFriendInfoWnd(CKivIMaddfriendTipDlg* owner, QWidget* parent);

    void SetRequest(qint64 requester, const QString& headPath, const QString& name,
                    const QString& text, const QString& time);
    qint64 Requester() const { return m_requester; }
    QPushButton* AcceptButton() const { return m_pAccept; }
    QPushButton* RefuseButton() const { return m_pRef; }

public slots:
    void Accept();
    void Refuse();

private:
    qint64 m_requester = -1;  // -1: no request
    CKivIMaddfriendTipDlg* m_pOwner = nullptr;
    class QLabel* m_pHead = nullptr;
    class QLabel* m_pName = nullptr;
    class QLabel* m_pText = nullptr;
    class QLabel* m_pTime = nullptr;
    QPushButton* m_pAccept = nullptr;
    QPushButton* m_pRef = nullptr;
};
