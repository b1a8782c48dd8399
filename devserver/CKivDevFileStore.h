#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <cstdint>
#include <optional>
#include <vector>

#include "KivDevFileLimits.h"

// One attachment upload session as the database keeps it.
struct KivDevFileUpload {
    std::uint32_t session = 0;
    std::uint32_t uid = 0;
    std::optional<qint64> size;  // declared by the first chunk
    QString type;
    qint64 held = 0;
    qint64 created = 0;
    qint64 updated = 0;
    QString id;  // set once the file is complete
    QString hash;

    bool complete() const { return !id.isEmpty(); }
};

// Attachment upload sessions and the files they became. A session or file
// not touched within the lifetime counts as gone even before it is removed.
class CKivDevFileStore {
public:
    CKivDevFileStore(QSqlDatabase db, KivDevFileLimits limits)
        : m_db(std::move(db)), m_limits(limits) {}

    // A new session with a random number for `uid`; 0 when the user's quota
    // is used up or the database fails. Only the TCP thread opens sessions.
    std::uint32_t openSession(std::uint32_t uid);
    // Bytes the user holds or has declared, without `exceptSession`; nullopt
    // on a database failure.
    std::optional<qint64> usedBytes(std::uint32_t uid, std::uint32_t exceptSession = 0) const;

    // False on a database failure; `found` is empty for an unknown or
    // expired session.
    bool liveSession(std::uint32_t session, std::optional<KivDevFileUpload>& found) const;
    bool liveFile(const QString& id, std::optional<KivDevFileUpload>& found) const;
    bool idTaken(const QString& id, bool& taken) const;

    // After bytes were written: the count held, with the declared size and type.
    bool recordHeld(std::uint32_t session, qint64 held, qint64 size, const QString& type);
    bool recordComplete(std::uint32_t session, const QString& id, const QString& hash);

    // Sessions and files past the lifetime; nullopt on a database failure.
    std::optional<std::vector<KivDevFileUpload>> expired() const;
    bool remove(std::uint32_t session);

    const KivDevFileLimits& limits() const { return m_limits; }

private:
    qint64 oldestLive() const;
    bool select(const QString& where, const QVariantList& values,
                std::vector<KivDevFileUpload>& rows) const;

    QSqlDatabase m_db;
    KivDevFileLimits m_limits;
};
