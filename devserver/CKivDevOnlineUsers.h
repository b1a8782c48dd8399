#pragma once

#include <QPointer>

#include <cstdint>
#include <map>

#include "CKivDevConnection.h"

// Which connection each logged-in user has; at most one per user.
class CKivDevOnlineUsers {
public:
    CKivDevConnection* find(std::uint32_t uid) const;
    // Makes `connection` the user's; returns the one it replaces, if any.
    CKivDevConnection* replace(std::uint32_t uid, CKivDevConnection* connection);
    // Forgets the user only while `connection` is still the user's.
    void remove(std::uint32_t uid, const CKivDevConnection* connection);

    // Sends to the user when online; false when not.
    template <class R>
    bool send(std::uint32_t uid, const R& record) const {
        CKivDevConnection* connection = find(uid);
        if (connection == nullptr) {
            return false;
        }
        connection->send(record);
        return true;
    }

private:
    std::map<std::uint32_t, QPointer<CKivDevConnection>> m_connections;
};
