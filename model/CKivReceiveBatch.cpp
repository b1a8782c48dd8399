#include "CKivReceiveBatch.h"

#include <QtDebug>
#include <utility>

#include "CKivFriendDBModel.h"
#include "KivLog.h"

bool CKivReceiveBatch::writeAlone(const Write& write) {
    const bool stored = write();
    if (!stored) {
        qCWarning(lcKivModel) << "CKivReceiveBatch: a received record could not be stored";
    }
    return stored;
}

void CKivReceiveBatch::store(Write write) {
    if (!m_alone && !m_open) {
        m_open = CKivFriendDBModel::GetInstance()->BeginBatch();
        m_alone = !m_open;
    }
    if (m_alone) {
        writeAlone(write);
        return;
    }
    const bool stored = write();
    m_writes.push_back(std::move(write));
    if (!stored) {
        redoAlone();
    }
}

void CKivReceiveBatch::redoAlone() {
    CKivFriendDBModel::GetInstance()->RollbackBatch();
    m_open = false;
    m_alone = true;
    for (const Write& write : m_writes) {
        writeAlone(write);
    }
}

void CKivReceiveBatch::announce(Announcement announcement) {
    m_announcements.push_back(std::move(announcement));
}

void CKivReceiveBatch::finish() {
    if (m_open && !CKivFriendDBModel::GetInstance()->CommitBatch()) {
        redoAlone();
    }
    m_open = false;
    m_alone = false;
    m_writes.clear();
    // A direct receiver of an announcement may dispatch more records; they
    // start a batch of their own.
    std::vector<Announcement> announcements;
    announcements.swap(m_announcements);
    for (const Announcement& announcement : announcements) {
        announcement();
    }
}
