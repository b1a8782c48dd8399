#pragma once

#include <QString>
#include <QVariantList>
#include <QVector>
#include <atomic>
#include <mutex>
#include <thread>

#include "CKivChatHistoryIndex.h"
#include "CKivChatRecordRow.h"
#include "CKivOutboxRow.h"
#include "KivProtocol.h"

class CKivFriendSqlUtilCommon;
class QSqlQuery;

// The logged-in account's chat database: its folders, the copy of the
// template, the schema, and the writes that received records trigger. The
// network thread writes while the user interface reads; each thread runs on
// its own connection (see CKivFriendSqlUtilCommon). Values always go into SQL
// as bound parameters, never as text.
class CKivFriendDBModel {
public:
    static CKivFriendDBModel* GetInstance();
    static void ReleaseInstance();

    // Makes "User/<account>/FileRecv" and "User/<account>/DB" below the current
    // directory and copies the template "DB/CHAT_MESSAGE.db" there unless the
    // account has a database already. An account that is not a plain folder
    // name is refused (false).
    bool CreateDB(const QString& account);
    // Opens the account's database for the calling thread and runs the schema.
    CKivFriendSqlUtilCommon* ConnectDB();
    // The largest message id (0 for an empty table or on failure).
    int Select_chat_table();

    // A ChatMessage record, or any record with the same first fields: sender
    // uid at 20, receiver uid at 24, text at 28. Own messages are stored read,
    // received ones unread.
    bool InsertMessage(const char* record);
    // A received one; rowId, when given, gets the new row's id.
    bool InsertMsg(const char* record, qint64* rowId = nullptr);
    // An offline chat message to the own user (uid from the last login result).
    // With the server's id of the item (not 0), an item stored before is not
    // stored again (true all the same).
    bool SaveLeaveMessage(tag_leave_message message, quint32 serverRowId = 0);
    // AddFriendPush-layout records: one type-8 row per requester and asked
    // user, refreshed and marked unread, and the requester's profile; the
    // server's id as for SaveLeaveMessage.
    bool SaveAddFriendRequest(const char* request, quint32 serverRowId = 0);
    bool AddFriend(const char* record);
    // The own profile from a login result; isNew is set when it was first
    // stored now. Also keeps the own uid, the VIP flag and the gift balance.
    bool UpdateUserInfor(const char* loginResult, bool& isNew);
    // A found user's profile from a search result; isNew is set when the user
    // is new or the head picture changed.
    bool UpdateFriendInfor(const char* searchResult, bool& isNew);
    // Removes the whole conversation of the two users, both directions.
    bool DelFriendChatMsg(unsigned long uidA, unsigned long uidB);
    bool SaveMyShow(const char* record);

    // The outbox: messages the user sent that have not left yet. A message
    // kept there gets an id (0 when it could not be kept).
    qint64 AddToOutbox(quint32 sender, quint32 receiver, const QString& text);
    // The sender's waiting messages, oldest first.
    QVector<CKivOutboxRow> GetOutbox(quint32 sender);
    // The server has the message; only its move into the history is missing.
    bool MarkOutboxDelivered(qint64 id);
    // The message left: in one transaction it becomes a sent row of the
    // history, dated when it was typed, and leaves the outbox.
    // gone: the outbox has no such message (moved already).
    bool MoveOutboxToHistory(qint64 id, bool* gone = nullptr);

    // Group commit for the calling thread: the writes up to CommitBatch() run
    // in one transaction and become visible together. False when the
    // transaction cannot start; the writes then commit one by one.
    bool BeginBatch();
    // False when the commit failed and the batch's writes were rolled back.
    bool CommitBatch();
    void RollbackBatch();
    bool InBatch() const { return m_batchThread.load() == std::this_thread::get_id(); }

    // The conversation of the two users, as "order by msgtime desc limit size
    // offset offset" over both directions returns it (ties newest id first),
    // and its message count; both fast at any offset.
    QVector<CKivChatRecordRow> GetChatRecordPage(quint32 uidA, quint32 uidB, int offset, int size);
    int GetChatRecordCount(quint32 uidA, quint32 uidB);

    // Stored chat messages go into the search index (the default). Off, they
    // wait for the background fill; for measuring what the index costs.
    void SetSearchIndexing(bool on) { m_searchWanted.store(on); }

    quint32 GetVipFlag() const { return m_vipFlag.load(); }
    float GetGiftBalance() const { return m_giftBalance.load(); }
    void SetGiftBalance(float balance) { m_giftBalance.store(balance); }
    int GetLastMessageId() const { return m_lastMessageId.load(); }
    quint32 GetOwnUid() const { return m_ownUid.load(); }
    QString GetAccount() const;
    // "User/<account>/DB/CHAT_MESSAGE.db", absolute; empty before CreateDB.
    QString GetDatabaseFile() const;
    // Moves the clock that dates stored rows on by `seconds` (times have a
    // resolution of one second; tests move it instead of waiting).
    void ShiftClock(qint64 seconds) { m_clockShift += seconds; }

private:
    class WriteScope;
    // A change the history index must learn of once its write is committed.
    struct IndexChange {
        bool added = true;  // else the conversation is forgotten
        quint32 sender = 0;
        quint32 receiver = 0;
        QString time;
        qint64 id = 0;
    };

    CKivFriendDBModel() = default;

    CKivFriendSqlUtilCommon* sqlUtil();
    // Runs sql with values bound; logs a failure under the caller's name.
    bool execute(const char* function, const QString& sql, QSqlQuery& query,
                 const QVariantList& values = {});
    bool insertChat(const char* function, quint32 sender, quint32 receiver, const QString& text,
                    const QString& time, int isgot, qint64* rowId = nullptr,
                    quint32 serverRowId = 0);
    // Notes an offline item's server id; first tells whether it is new.
    bool firstSeen(const char* function, quint32 serverRowId, bool* first);
    bool storeFriendRequest(const char* function, const char* record, quint32 serverRowId,
                            bool* first);
    bool profileExists(const char* function, QSqlQuery& query, quint32 uid, bool* exists);
    bool insertProfile(const char* function, QSqlQuery& query, const QVariantList& values);
    // Drops the history index when the account's file changed; history lock held.
    void followDatabaseFile();
    // The stored chat row's text goes into the search index, in the same transaction.
    void addToSearch(qint64 id, const QString& text);
    // BEGIN IMMEDIATE, COMMIT or ROLLBACK on the calling thread's connection.
    bool transaction(const char* statement);
    void applyIndexChanges(const QVector<IndexChange>& changes);
    // Keeps what changed in the history index with the file.
    void saveHistoryIndex();

    // The time text of the current second on this model's clock.
    QString timeText() const;

    std::atomic<qint64> m_clockShift{0};
    std::atomic<quint32> m_vipFlag{0};
    std::atomic<float> m_giftBalance{0.0f};
    std::atomic<int> m_lastMessageId{0};
    std::atomic<quint32> m_ownUid{0};
    // The database has its search index (this SQLite can make one).
    std::atomic<bool> m_searchIndexed{false};
    std::atomic<bool> m_searchWanted{true};

    mutable std::mutex m_accountMutex;
    QString m_account;
    QString m_databaseFile;

    // Held across every commit that changes a conversation and every history
    // read, so the history index and the file never disagree. A writer takes
    // it only once it holds the database's write lock (BEGIN IMMEDIATE), so a
    // writer waiting for that lock never holds it.
    std::mutex m_historyMutex;
    CKivChatHistoryIndex m_history;
    QString m_historyFile;
    // The thread whose batch is open, and the index changes its commit brings;
    // the changes are guarded by the history lock.
    std::atomic<std::thread::id> m_batchThread{};
    QVector<IndexChange> m_batchChanges;
};
