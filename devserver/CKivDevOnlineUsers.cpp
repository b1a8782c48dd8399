#include "CKivDevOnlineUsers.h"

CKivDevConnection* CKivDevOnlineUsers::find(std::uint32_t uid) const {
    const auto found = m_connections.find(uid);
    if (found == m_connections.end() || found->second.isNull() || found->second->closing()) {
        return nullptr;
    }
    return found->second.data();
}

CKivDevConnection* CKivDevOnlineUsers::replace(std::uint32_t uid, CKivDevConnection* connection) {
    CKivDevConnection* previous = find(uid);
    m_connections[uid] = connection;
    return previous == connection ? nullptr : previous;
}

void CKivDevOnlineUsers::remove(std::uint32_t uid, const CKivDevConnection* connection) {
    const auto found = m_connections.find(uid);
    if (found != m_connections.end() &&
        (found->second.isNull() || found->second.data() == connection)) {
        m_connections.erase(found);
    }
}
