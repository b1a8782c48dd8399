#pragma once

#include <QStringList>

#include "QWindowBase.h"
#include "tag_chatdlg_Need.h"

class QLabel;
class QPushButton;
class QTextBrowser;
class QTextEdit;
class kivFriendQPainterLabelView;

// The one-to-one chat window of a friend. The main window keeps one per
// friend, hidden between conversations.
class CKivIMChatDlg : public QWindowBase {
    Q_OBJECT
public:
    explicit CKivIMChatDlg(QWidget* parent = nullptr);

    void initChatDlg(tag_chatdlg_Need& need);
    bool IsInitialised() const { return m_bInit; }
    const tag_chatdlg_Need& Need() const { return m_need; }

    // Queues a received text; it is shown the next time the dialog is shown.
    void InsertMsg(QString text);
    // Shows a received text at once.
    void ShowFriendMessage(const QString& text);
    QStringList PendingMessages() const { return m_pending; }
    int SendMode() const { return m_sendMode; }

signals:
    void SndpathStr(QString path);

public slots:
    void SendMessage();
    void setSignText(QString sign);
    void SendMsgKeySlot(QString key);
    void CloseChatDlg();
    void bMinimize_Clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AppendLines(const QString& text, bool own);
    void MarkRead();

    tag_chatdlg_Need m_need;
    bool m_bInit = false;
    int m_sendMode = 1;
    QStringList m_pending;

    kivFriendQPainterLabelView* m_pHead = nullptr;
    QLabel* m_pName = nullptr;
    QLabel* m_pSign = nullptr;
    QTextBrowser* m_pHistory = nullptr;
    QTextEdit* m_pInput = nullptr;
    QPushButton* m_pSend = nullptr;
    QPushButton* m_pCloseButton = nullptr;
};
