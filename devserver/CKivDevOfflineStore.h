#pragma once

#include <QByteArray>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
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
    ~CKivDevOfflineStore();

    // A newer request from the same sender replaces a waiting one.
    bool add(std::uint32_t receiver, Kind kind, std::uint32_t sender, const QByteArray& text);
    // The receiver has everything up to `lastId`: those items are done. They
    // are removed from the file a batch at a time, at the end of a pull at the
    // latest; until then they are skipped all the same.
    void acknowledge(std::uint32_t receiver, std::uint32_t lastId);
    std::optional<Item> next(std::uint32_t receiver, std::uint32_t afterId);

private:
    // Removes the acknowledged items of every receiver from the file.
    void removeAcknowledged();

    QSqlDatabase m_db;
    // Statements of the pull, prepared once.
    QSqlQuery m_nextQuery{m_db};
    QSqlQuery m_removeQuery{m_db};
    // Per receiver, the last item acknowledged and not yet removed.
    QHash<std::uint32_t, std::uint32_t> m_acknowledged;
    int m_unremoved = 0;
};
