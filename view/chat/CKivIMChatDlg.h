#pragma once

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "KivProtocol.h"
#include "chat/KivChatText.h"
#include "chat/tag_chatdlg_Need.h"
#include "shell/QWindowBase.h"

class CChatHistoryList;
class CChatItem;
class CKivChatOutbox;
class CKivIMfaceDlg;
class CKivSession;
class CKivImChatRecordDlg;
class KivChatAttachments;
class KivChatCallLink;
class KivTransfers;
class QAction;
class QComboBox;
class QFontComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QTextEdit;
class QVBoxLayout;
class kivFriendQPainterLabelView;

// The one-to-one chat window of a friend: the conversation as bubbles, a rich
// input with faces and priced gifts, the chat record panel at its right, the
// friend's profile and the call button. The main window keeps one per friend,
// hidden between conversations.
class CKivIMChatDlg : public QWindowBase {
    Q_OBJECT
public:
    static constexpr int kWidth = 573;
    static constexpr int kHeight = 533;
    // How much the record panel widens the dialog.
    static constexpr int kRecordWidth = 366;
    // Longest chat text in UTF-8 bytes: the record's text field less its NUL.
    static constexpr int kMaxTextBytes = 1023;
    static constexpr int kPictureSide = 60;

    CKivIMChatDlg(QWidget* parent, CKivSession& session);
    ~CKivIMChatDlg() override;

    void initChatDlg(tag_chatdlg_Need& need);
    bool IsInitialised() const { return m_bInit; }
    const tag_chatdlg_Need& Need() const { return m_need; }

    // How many received texts wait at most for the dialog to be shown; older
    // ones are in the chat record all the same.
    static constexpr int kMaxPending = 200;

    // Queues a received text; it is shown the next time the dialog is shown.
    // Only the newest kMaxPending wait.
    void InsertMsg(QString text);
    // Shows a received text at once.
    void ShowFriendMessage(const QString& text);
    QStringList PendingMessages() const { return m_pending; }
    int SendMode() const { return m_sendMode; }
    bool IsRecordShown() const { return m_bRecordShown; }
    // The gift prices of the pictures in the input.
    double GiftCost() const;

    CChatHistoryList* History() const { return m_pHistory; }
    QTextEdit* Input() const { return m_pInput; }
    // The pickers and the record panel are made when first used.
    CKivIMfaceDlg* FacePicker();
    CKivIMfaceDlg* GiftPicker();
    CKivImChatRecordDlg* Record();
    bool HasRecordPanel() const { return m_pRecord != nullptr; }
    // Opens the record panel on the page of a message (row id, time) and marks it.
    bool ShowRecordAt(qint64 id, const QString& msgTime);
    bool HasPickers() const { return m_pFaceDlg != nullptr || m_pGiftDlg != nullptr; }
    QPushButton* CallButton() const { return m_pCallBtn; }
    // The session's file transfers: pictures and files can be sent and
    // received once the dialog has them.
    void SetTransfers(KivTransfers* transfers);
    KivChatAttachments* Attachments() const { return m_pAttachments; }

signals:
    void SndShowType(int const& type, int const& value, QString const& text);
    void SndpathStr(QString path);
    // The friend's messages have been seen.
    void FriendRead(quint32 uid);
    // The user asked for the friend's profile.
    void ProfileWanted(quint32 uid, const QString& account);
    // The user chose the send key ("E" Enter, "C" Ctrl+Enter) for every conversation.
    void SendKeyChosen(const QString& key);

public slots:
    void SendMessage();
    void setSignText(QString sign);
    void SendMsgKeySlot(QString key);
    void selected_EnterSlot();
    void selected_CEnterSlot();
    void FaceTabelcellClickedSlot(int row, int column);
    void VipTabelcellClickedSlot(int row, int column);
    void onFaceDialogShow();
    void OnVipDialogShow();
    void HistoryClick();
    void personalInfoBtnClicked();
    void OpenMedia();
    void NoReqMedia(const ptl_sys_send_per_media& media);
    void YesReqMedia(const ptl_sys_send_per_media& media);
    void CloseReqMedia(const ptl_sys_send_per_media& media);
    void CloseChatDlg();
    void bMinimize_Clicked();
    void fontChooseClickedSlot();
    void fontComboBox_currentFontChanged(QString family);
    void fontSizeComboBox_currentIndexChange(QString size);
    void bfontBoldfaceBtnClicked();
    void bfontItalicBtnClicked();
    void bfontUnderlineBtnClicked();
    void textBoldPressed(bool on);
    void textItalicPressed(bool on);
    void textUnderLinePressed(bool on);
    void OntextChanged();
    void createButton();
    // A held message is asked for at once (it goes out with the connection).
    void ResendMessage(CChatItem* item);
    // A message of the outbox reached the server, waits for the connection, or
    // is on its way.
    void MessageLeft(qint64 id);
    void MessageHeld(qint64 id, quint32 receiver, bool wasSent);
    void MessageFlying(qint64 id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* BuildHeader();
    QWidget* BuildToolBar();
    QWidget* BuildFontBar();
    QWidget* BuildSendRow();
    QPushButton* ToolButton(const char* objectName, const QString& tip);
    void ConnectSignals();
    // Follows the outbox's news of the messages it keeps.
    void FollowOutbox(CKivChatOutbox* outbox);
    // Messages of this conversation still in the outbox (from an earlier
    // session or window), shown with their marks.
    void ShowKeptMessages();
    void InsertPicture(CKivIMfaceDlg* picker, int row, int column, bool gift);
    void PlacePicker(CKivIMfaceDlg* picker);
    void ApplySendMode(int mode);
    void StoreSendKey(const QString& key);
    void MarkRead();
    // The call button is usable exactly while no call runs from this dialog.
    void SetCallInProgress(bool busy);
    void SetStyleButton(QPushButton* button, const char* picture, bool pressed);
    void ShowConversationInRecord();
    // Why a text cannot be sent (too long, a gift not allowed), or empty.
    QString RefusalToSend(const QString& plain) const;
    // Keeps a text in the outbox and shows it; false when it was not kept.
    bool PostText(const QString& plain);
    void SendWithAttachments(const QVector<KivChatText::Part>& parts);
    // Received texts in order, files as cards.
    void ShowFriendTexts(const QStringList& texts);

    CKivSession& m_session;
    tag_chatdlg_Need m_need;
    bool m_bInit = false;
    int m_sendMode = 1;
    QStringList m_pending;
    int m_bold = 0;
    int m_italic = 0;
    int m_underline = 0;
    int m_fontBarShown = 0;
    bool m_bRecordShown = false;

    QWidget* m_pPane = nullptr;
    kivFriendQPainterLabelView* m_pHead = nullptr;
    QLabel* m_pName = nullptr;
    QLabel* m_pSign = nullptr;
    CChatHistoryList* m_pHistory = nullptr;
    QTextEdit* m_pInput = nullptr;
    QVBoxLayout* m_pInputLayout = nullptr;
    QWidget* m_pFontBar = nullptr;
    QFontComboBox* m_pFontFamily = nullptr;
    QComboBox* m_pFontSize = nullptr;
    QPushButton* m_pBold = nullptr;
    QPushButton* m_pItalic = nullptr;
    QPushButton* m_pUnderline = nullptr;
    QPushButton* m_pFaceBtn = nullptr;
    QPushButton* m_pVipBtn = nullptr;
    QPushButton* m_pHistoryBtn = nullptr;
    QPushButton* m_pCallBtn = nullptr;
    QPushButton* m_pFileBtn = nullptr;
    QPushButton* m_pScreenshotBtn = nullptr;
    KivChatAttachments* m_pAttachments = nullptr;
    QPointer<KivTransfers> m_pTransfers;
    KivChatCallLink* m_pCallLink = nullptr;
    QPushButton* m_pFontBtn = nullptr;
    QPushButton* m_pSend = nullptr;
    QPushButton* m_pCloseButton = nullptr;
    QPushButton* m_pKeyMenuBtn = nullptr;
    QMenu* m_pKeyMenu = nullptr;
    QAction* m_pEnterAction = nullptr;
    QAction* m_pCtrlEnterAction = nullptr;
    CKivImChatRecordDlg* m_pRecord = nullptr;
    // The face picker has no parent (it pops up over other windows); owned here.
    std::unique_ptr<CKivIMfaceDlg> m_pFaceOwner;
    CKivIMfaceDlg* m_pFaceDlg = nullptr;
    CKivIMfaceDlg* m_pGiftDlg = nullptr;
    // The bubbles of messages still in the outbox, by outbox id.
    QHash<qint64, QPointer<CChatItem>> m_outboxItems;
};
