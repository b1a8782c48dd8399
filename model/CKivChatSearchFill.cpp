#include "CKivChatSearchFill.h"

#include <QSqlQuery>
#include <chrono>

#include "CKivChatSearchIndex.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"

CKivChatSearchFill::CKivChatSearchFill() : m_thread([this] { Run(); }) {}

CKivChatSearchFill::~CKivChatSearchFill() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool CKivChatSearchFill::Pause(int ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}

// The thread's connection closes with the thread.
void CKivChatSearchFill::Run() {
    const QSqlDatabase database = CKivFriendDBModel::GetInstance()->ConnectDB()->database();
    if (!CKivChatSearchIndex::available(database)) {
        m_finished.store(true);
        return;
    }
    QSqlQuery transaction(database);
    bool done = false;
    do {
        if (!transaction.exec(QStringLiteral("BEGIN IMMEDIATE")))
            continue;
        if (!CKivChatSearchIndex::fillStep(database, kStepRows, &done) ||
            !transaction.exec(QStringLiteral("COMMIT"))) {
            transaction.exec(QStringLiteral("ROLLBACK"));
            done = false;
        }
        if (done)
            m_finished.store(true);
    } while (Pause(done ? kIdleMs : kPauseMs));
}
