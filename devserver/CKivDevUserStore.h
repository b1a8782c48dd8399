#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <cstdint>
#include <optional>
#include <vector>

#include "KivDevUser.h"

// Accounts, profiles, friendships and open friend requests.
class CKivDevUserStore {
public:
    explicit CKivDevUserStore(QSqlDatabase db) : m_db(std::move(db)) {}

    // The stored form of a password: MD5 of its Latin-1 bytes, lowercase hex,
    // which is also what the client sends at login.
    static QString digest(const QByteArray& latin1Password);

    std::optional<KivDevUser> byUid(std::uint32_t uid) const;
    std::optional<KivDevUser> byAccount(const QString& account) const;
    std::optional<KivDevUser> byPhone(const QString& phone) const;
    std::optional<KivDevUser> byAccountOrPhone(const QString& text) const;
    QString passwordDigest(std::uint32_t uid) const;
    std::uint32_t highestUid() const;

    bool create(const KivDevUser& user, const QString& passwordDigest);
    bool setPassword(std::uint32_t uid, const QString& passwordDigest);
    // Stores the editable profile fields of `user` and raises its version;
    // the new version, or 0 on failure.
    std::uint32_t updateProfile(const KivDevUser& user);
    std::uint32_t setSign(std::uint32_t uid, const QString& sign);

    std::vector<KivDevUser> friendsOf(std::uint32_t uid) const;
    std::vector<KivDevUser> vipUsers() const;
    bool areFriends(std::uint32_t a, std::uint32_t b) const;
    bool addFriendship(std::uint32_t a, std::uint32_t b);
    // False when there was no friendship to remove.
    bool removeFriendship(std::uint32_t a, std::uint32_t b);

    bool addRequest(std::uint32_t asker, std::uint32_t asked);
    // Removes an open request; false when there was none.
    bool takeRequest(std::uint32_t asker, std::uint32_t asked);

private:
    std::optional<KivDevUser> findOne(const QString& where, const QVariantList& values) const;
    std::vector<KivDevUser> findAll(const QString& sql, const QVariantList& values) const;
    bool run(const QString& sql, const QVariantList& values, int* rowsAffected = nullptr);

    QSqlDatabase m_db;
};
