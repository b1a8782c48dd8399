#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

#include <cstdint>
#include <optional>

// Items waiting for a user who was offline: chat messages (kind 1) and
// friend requests (kind 2), pulled one at a time in row id order.
class CKivDevOfflineStore {
public:
    enum Kind { ChatItem = 1, RequestItem = 2 };

    struct Item {
        std::uint32_t id = 0;
        int kind = 0;
        std::uint32_t sender = 0;
        QString sentAt;   // "yyyy-MM-dd hh:mm:ss"
        QByteArray text;  // chat text or request text, UTF-8
    };

    explicit CKivDevOfflineStore(QSqlDatabase db) : m_db(std::move(db)) {}

    // A newer request from the same sender replaces a waiting one.
    bool add(std::uint32_t receiver, Kind kind, std::uint32_t sender, const QByteArray& text);
    // The receiver has everything up to `lastId`: those items are done.
    void acknowledge(std::uint32_t receiver, std::uint32_t lastId);
    std::optional<Item> next(std::uint32_t receiver, std::uint32_t afterId) const;

private:
    QSqlDatabase m_db;
};
