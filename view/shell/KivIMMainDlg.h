#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVector>
#include <map>
#include <memory>
#include <vector>

#include "KivChatQueries.h"
#include "KivProtocol.h"
#include "shell/KivFriendBook.h"
#include "shell/KivFriendPages.h"
#include "shell/KivFriendRequests.h"
#include "shell/KivMainDlgHotKeys.h"
#include "shell/KivProfileDialogs.h"
#include "shell/KivUnreadTracker.h"
#include "shell/QWindowBase.h"

class CKivChatOutbox;
class CKivSession;
class CKivIMChatDlg;
class CKivIMaddfriendTipDlg;
class CKivFriendSysSettingDlg;
class KivAddCheckFriendDlg;
class KivCallRelay;
class KivChatDialogs;
class KivTransfers;
class KivChatMessageWidget;
class KivFriendMenu;
class KivHeadDownload;
class KivHistorySearch;
class KivMainDlgTray;
class KivMessageNotices;
class MyListModel;
class QListView;
class QModelIndex;
class QPoint;
class QTextDocument;
class kivPersonalInfoDlg;
struct KivMainDlgForm;
struct tag_chatdlg_Need;

// The window of a logged-in session: own head, nick name and signature, the
// friend, recent-chat and VIP pages, one chat dialog per friend, the unread
// list and the tray.
class KivIMMainDlg : public QWindowBase {
    Q_OBJECT
public:
    static KivIMMainDlg* mainDlg;

    // Pages of the stacked widget and the fields of their rows.
    using Page = KivFriendPages::Page;
    static constexpr Page FriendPage = KivFriendPages::FriendPage;
    static constexpr Page ChatPage = KivFriendPages::ChatPage;
    static constexpr Page VipPage = KivFriendPages::VipPage;
    static constexpr int RowName = KivFriendPages::RowName;
    static constexpr int RowHead = KivFriendPages::RowHead;
    static constexpr int RowText = KivFriendPages::RowText;
    static constexpr int RowTime = KivFriendPages::RowTime;
    static constexpr int RowAccount = KivFriendPages::RowAccount;
    static constexpr int RowUid = KivFriendPages::RowUid;
    // AddFriendAnswer results.
    static constexpr Uint32 kAddAccepted = 1;
    static constexpr Uint32 kAddExists = 2;
    // How long quitting waits for the server to confirm messages on their way.
    static constexpr int kQuitDrainMs = 2000;
    // How long a request record from a user we asked waits for the acceptance
    // it may announce before it is shown as a request.
    static constexpr int kNoticeGraceMs = KivFriendRequests::kNoticeGraceMs;
    // The unread box, the row tips and the recent chats are refreshed at
    // most once in this time, however many messages arrive.
    static constexpr int kRefreshGapMs = KivUnreadTracker::kRefreshGapMs;

    KivIMMainDlg(QWidget* parent, CKivSession& session);
    ~KivIMMainDlg() override;

    // Filled by the login dialog before InitMaindlg(); they are the session's
    // (CKivSession::User()), which the other windows read.
    Uint32& m_uid;
    int& m_headIndex;
    QString& m_account;
    QString& m_sign;
    QString& m_nickName;
    QMap<QString, int>& m_settings;
    QMap<QString, QString>& m_hotKeyText;

    void InitMaindlg();
    void DClickedForRow(int row, bool vipPage);
    void initChatListView(bool showPage);
    void openBeat(QList<QPair<int, int>> list, bool blink);
    void closeBeat(int uid);
    int InitHotKey();

    static QString HtmlToPlain(QTextDocument* document);
    static QStringList PlainToHtml(QString& text);

    // Read by the tests and the tray: the session's state.
    const QList<QPair<int, int>>& UnreadList() const { return m_pUnread->Waiting(); }
    // The chat dialog of uid, made (hidden, initialised) when first asked for.
    CKivIMChatDlg* ChatDialog(quint32 uid);
    bool HasChatDialog(quint32 uid) const;
    const std::vector<FriendRecord>& Friends() const { return m_book.Friends(); }
    const std::vector<FriendRecord>& Vips() const { return m_book.Vips(); }
    bool IsFlashing() const;
    int CurrentPage() const;
    MyListModel* PageModel(Page page) const;
    kivPersonalInfoDlg* PersonalInfo(quint32 uid);
    KivChatMessageWidget* Preview() const { return m_pPreview.get(); }
    int ShowHotKeyId() const { return m_hotKeys.ShowId(); }
    int GetMsgHotKeyId() const { return m_hotKeys.GetMsgId(); }
    bool IsFriendUid(quint32 uid) const { return m_book.IsFriend(uid); }
    // Users this session asked to become friends and who have not answered
    // yet: the notice that the friendship stands comes as a request record.
    void NoteAskedFriend(quint32 uid) { m_pRequests->NoteAsked(uid); }
    bool HasAskedFriend(quint32 uid) const { return m_pRequests->HasAsked(uid); }
    // The hot-key names ("ShowmDlgName", "GetmsgName") that the last
    // InitHotKey() could not register.
    QStringList FailedHotKeys() const { return m_hotKeys.Failed(); }
    CKivIMaddfriendTipDlg* AddFriendTip() const { return m_pRequests->List(); }
    // The search over every conversation.
    KivHistorySearch* HistorySearch() const { return m_pSearch; }
    KivMessageNotices* Notices() const { return m_pNotices; }
    KivAddCheckFriendDlg* CheckFriendDialog() const { return m_pCheckFriend; }
    CKivFriendSysSettingDlg* SettingsDialog() const { return m_pSettings; }
    // The messages sent in this session that have not reached the server yet.
    CKivChatOutbox* Outbox() const { return m_pOutbox; }
    bool IsOffline() const { return m_bOffline; }
    QString TrayToolTip() const;
    // A profile update (command 24) for the own user went out from `asker`
    // (the personal-information or head dialog): the next result for the own
    // user is its answer. AlterInfoResult hands it to `done`, while the
    // asker lives, and then tells the user "修改成功" or "修改失败".
    using AlterInfoDone = KivProfileDialogs::AlterInfoDone;
    void AwaitAlterInfo(QWidget* asker, AlterInfoDone done);
    // The session is over (the window is about to go): what the connection
    // confirmed leaves the outbox, the rest waits for the next login.
    void SessionEnded();

signals:
    void SndpathStr(QString path);
    void sndDataToListView(QList<QStringList> rows);
    void cSndDataToListView(QList<QStringList> rows);
    void vipSndDataToListView(QList<QStringList> rows);
    void SndSignToshow(QString sign);
    void SndShowDlgHotId(int id);
    void SndGetmsgHotId(int id);
    void SndHidemDlgHotId(int id);
    void SengMsgKey(QString key);
    void SendVipList();
    // The user wants a reconnection attempt now.
    void ReconnectRequested();

public slots:
    void FriendListResult(const tag_friend_result& list);
    void VipListResult(const tag_friend_result& list);
    // A received text whose row in the chat table is not known.
    void MessageRecive(Uint32 uid, const QByteArray& text, int length);
    // A received text and its row (0 when it could not be stored).
    void ChatMessageStored(Uint32 uid, qint64 rowId, const QByteArray& text);
    void ReciveReqMedia(const ptl_sys_send_per_media& media);
    void UserAddSlots(Uint32 uid);
    void UserAddResultSlots(Uint32 uid, Uint32 result);
    void UserAcceptSlots(Uint32 uid);
    void DeleteFriendResultSlot(Uint32 uid, Uint32 result);
    void getLeaveMessage();
    void getAddFriend();
    void LExplainTextChange();
    void LExplainChangeResult(bool ok);
    void SendVipListSlot();
    void HeadStored(quint32 uid, const QString& path);
    void TimeEnd();
    void MediaCueaccept(ptl_sys_send_per_media* media, quintptr window);
    void MediaCuedecline(ptl_sys_send_per_media* media);
    void DelMediaCue(QObject* cue);
    // The called side hung up in its call window: the caller hears state 5.
    void MediaCallHungUp(ptl_sys_send_per_media* answer);
    // The caller ended a call this side was offered or took.
    void CloseMediaCue(const ptl_sys_send_per_media& media);
    void AcceptFriendDelete();
    void AcceptAlter(QStringList changed);
    // The server's result of a profile update (on the net model's
    // UpdateUserInfoResult); results nobody awaits are dropped.
    void AlterInfoResult(Uint32 uid, Uint32 result, Uint32 version);
    // Hides the window to the tray, or minimises it where there is no tray.
    void PutAway();
    void CloseMainDlgWay(int way);
    void WindowsMarginHide(int enable);
    void ShowMainDlg();
    void ShowmDlgForHot();
    void GetMsgForHot();
    void HidemDlgHotSlot();
    void trayDoubleClickshowDlg();
    void trayiconActivated(QSystemTrayIcon::ActivationReason reason);
    void msg_TimerEnd();
    void setInitSlot();
    void KeepWindowsStick(int on);
    void action_quitClicked();
    // The connection is lost and being healed: the window shows it plainly.
    void ConnectionLost();
    // Logged in again on a new connection: the session takes up where it was.
    void ConnectionBack();

    void bClose_Clicked();
    void bMinimize_Clicked();
    void b_CheckClicked();
    // The friend requests waiting for an answer (none is a list saying so).
    void b_RequestClicked();
    void b_SetClicked();
    void b_HomeClicked();
    void BHead_Clicked();
    void mBchatDlgClicked();
    void mBfriendDlgClicked();
    void mBgameDlgClicked();
    void changeDlgForChat();
    void changeDlgForFriendList();
    void changeDlgForGame();
    void ChatListViewDoubleClicked(const QModelIndex& index);

private:
    void ConnectModel();
    void ConnectForm();
    void ShowRows(Page page, const QList<QStringList>& rows);
    void initListView();
    // Takes in the rows stored since the last look; the senders it found.
    QSet<quint32> CollectReceived();
    QSet<quint32> TakeReceived(const QVector<KivChatQueries::Received>& received,
                               bool waitingBefore);
    void TakeText(quint32 uid, const QString& text);
    void NoteUnread(quint32 uid, int count, const QString& text, const QString& time);
    void RefreshUnread(const QSet<quint32>& box, bool recent);
    void RefreshRowTips();
    tag_chatdlg_Need NeedFor(quint32 uid) const;
    void OpenChat(quint32 uid);
    // Opens uid's chat from a list or the preview; the tray flashes on for others.
    void OpenChatFromList(quint32 uid);
    void EnterUnread(quint32 uid);
    // The friend leaves the unread list, the row tips and the flashing.
    void DropFromUnread(quint32 uid);
    QString HeadOf(quint32 uid, int head) const;
    void FetchHead(quint32 uid);
    void AddFriendFromProfile(quint32 uid);
    void ShowFriendMenu(QListView* view, const QPoint& pos, bool vipPage);
    void AddVipF(quint32 uid);
    void OpenPersonalInfo(quint32 uid, const QString& account, int mode);
    void ShowFriendSign(quint32 uid, const QString& sign);
    void ShowPreviewEntry(quint32 uid);
    void MessageLeft(qint64 id, quint32 receiver, const QString& text);
    QString OnlineToolTip() const;
    void ShowTip(const QString& text);

    CKivSession& m_session;
    // Widgets (children of the window) and the pages.
    std::unique_ptr<KivMainDlgForm> m_form;
    std::unique_ptr<KivFriendPages> m_pages;

    // Session.
    std::unique_ptr<KivChatDialogs> m_dialogs;
    KivFriendBook m_book;
    KivUnreadTracker* m_pUnread = nullptr;
    std::unique_ptr<KivCallRelay> m_calls;
    KivFriendRequests* m_pRequests = nullptr;
    // The session's files on their way, for every chat dialog.
    KivTransfers* m_pTransfers = nullptr;
    KivFriendMenu* m_pMenu = nullptr;
    KivProfileDialogs* m_pProfiles = nullptr;
    KivHistorySearch* m_pSearch = nullptr;
    KivMessageNotices* m_pNotices = nullptr;
    bool m_bLeavePullStarted = false;
    bool m_bOffline = false;
    CKivChatOutbox* m_pOutbox = nullptr;
    KivMainDlgHotKeys m_hotKeys;

    KivHeadDownload* m_pHeads = nullptr;
    std::unique_ptr<KivChatMessageWidget> m_pPreview;
    // Tray, flashing, the tray's preview and the top-edge hiding.
    KivMainDlgTray* m_pTray = nullptr;

    KivAddCheckFriendDlg* m_pCheckFriend = nullptr;
    CKivFriendSysSettingDlg* m_pSettings = nullptr;
};
