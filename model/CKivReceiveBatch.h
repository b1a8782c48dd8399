#pragma once

#include <functional>
#include <vector>

// Group commit of the records cut from one read of the socket: their writes
// share one transaction of the chat database, and the signals announcing them
// go out only after the commit, so no window hears of a message before its row
// can be read. When a write or the commit fails, the transaction is rolled
// back and every write redone in a transaction of its own: a record that
// cannot be stored costs only itself, and none is stored twice.
class CKivReceiveBatch {
public:
    using Write = std::function<bool()>;
    using Announcement = std::function<void()>;

    CKivReceiveBatch() = default;
    CKivReceiveBatch(const CKivReceiveBatch&) = delete;
    CKivReceiveBatch& operator=(const CKivReceiveBatch&) = delete;

    // Runs a write now, inside the batch's transaction (opened by the first).
    void store(Write write);
    // Runs once everything stored so far is committed.
    void announce(Announcement announcement);
    // Commits, then announces in order. A record that could not be stored is
    // reported in the log and announced all the same.
    void finish();

private:
    // Rolls the transaction back and redoes each write so far on its own.
    void redoAlone();
    static bool writeAlone(const Write& write);

    std::vector<Write> m_writes;
    std::vector<Announcement> m_announcements;
    bool m_open = false;   // the transaction is open
    bool m_alone = false;  // the rest of this batch commits write by write
};
