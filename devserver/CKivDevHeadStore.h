#pragma once

#include <QByteArray>
#include <QSqlDatabase>

#include <cstdint>
#include <optional>

// Upload sessions and uploaded head pictures. A session number is the head
// number the picture will get: the client uses the number it was given as its
// new head number once the upload has finished.
class CKivDevHeadStore {
public:
    static constexpr std::uint32_t kFirstHead = 10000;
    static constexpr qint64 kSessionLifetimeSeconds = 600;

    enum class StoreResult { Stored, BadSession, Failed };

    explicit CKivDevHeadStore(QSqlDatabase db) : m_db(std::move(db)) {}

    // A new session for `uid`; 0 on failure. Only the TCP thread opens sessions.
    std::uint32_t openSession(std::uint32_t uid);
    // Stores `png` under the session's head number when the session belongs to
    // `uid`, is unused and has not expired; the session is used up.
    StoreResult storePicture(std::uint32_t session, std::uint32_t uid, const QByteArray& png);
    bool ownsPicture(std::uint32_t uid, std::uint32_t head) const;
    // The picture of `head` when it is one of the user's, else the newest one.
    std::optional<QByteArray> pictureOf(std::uint32_t uid, std::uint32_t head) const;

private:
    QSqlDatabase m_db;
};
