#include "CKivDevUserStore.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QVariant>
#include <QtDebug>

#include "KivDevSql.h"

namespace {

const char kColumns[] =
    "uid, account, nick, sign, sex, birthday, area, phone, head, vip, gift, version";

KivDevUser readUser(const QSqlQuery& query) {
    KivDevUser user;
    user.uid = query.value(0).toUInt();
    user.account = query.value(1).toString();
    user.nickName = query.value(2).toString();
    user.sign = query.value(3).toString();
    user.sex = query.value(4).toInt();
    user.birthday = query.value(5).toString();
    user.area = query.value(6).toString();
    user.phone = query.value(7).toString();
    user.head = query.value(8).toUInt();
    user.vip = query.value(9).toInt() != 0;
    user.giftBalance = query.value(10).toFloat();
    user.version = query.value(11).toUInt();
    return user;
}

// A null string would be stored as NULL; the text columns hold '' instead.
QString text(const QString& value) {
    return value.isNull() ? QString(QLatin1String("")) : value;
}

}  // namespace

QString CKivDevUserStore::digest(const QByteArray& latin1Password) {
    return QString::fromLatin1(
        QCryptographicHash::hash(latin1Password, QCryptographicHash::Md5).toHex());
}

std::optional<KivDevUser> CKivDevUserStore::findOne(const QString& where,
                                                    const QVariantList& values) const {
    std::vector<KivDevUser> users =
        findAll(QStringLiteral("SELECT %1 FROM users WHERE %2 ORDER BY uid LIMIT 1")
                    .arg(QLatin1String(kColumns), where),
                values);
    if (users.empty()) {
        return std::nullopt;
    }
    return users.front();
}

std::vector<KivDevUser> CKivDevUserStore::findAll(const QString& sql,
                                                  const QVariantList& values) const {
    std::vector<KivDevUser> users;
    QSqlQuery query(m_db);
    if (KivDevExec(query, sql, values)) {
        while (query.next()) {
            users.push_back(readUser(query));
        }
    }
    return users;
}

bool CKivDevUserStore::run(const QString& sql, const QVariantList& values, int* rowsAffected) {
    QSqlQuery query(m_db);
    if (!KivDevExec(query, sql, values)) {
        return false;
    }
    if (rowsAffected != nullptr) {
        *rowsAffected = query.numRowsAffected();
    }
    return true;
}

std::optional<KivDevUser> CKivDevUserStore::byUid(std::uint32_t uid) const {
    return findOne(QStringLiteral("uid = ?"), {static_cast<qint64>(uid)});
}

std::optional<KivDevUser> CKivDevUserStore::byAccount(const QString& account) const {
    return findOne(QStringLiteral("account = ?"), {account});
}

std::optional<KivDevUser> CKivDevUserStore::byPhone(const QString& phone) const {
    if (phone.isEmpty()) {
        return std::nullopt;
    }
    return findOne(QStringLiteral("phone = ?"), {phone});
}

std::optional<KivDevUser> CKivDevUserStore::byAccountOrPhone(const QString& text) const {
    if (std::optional<KivDevUser> user = byAccount(text)) {
        return user;
    }
    return byPhone(text);
}

QString CKivDevUserStore::passwordDigest(std::uint32_t uid) const {
    QSqlQuery query(m_db);
    if (KivDevExec(query, QStringLiteral("SELECT password FROM users WHERE uid = ?"),
                   {static_cast<qint64>(uid)}) &&
        query.next()) {
        return query.value(0).toString();
    }
    return QString();
}

std::uint32_t CKivDevUserStore::highestUid() const {
    QSqlQuery query(m_db);
    if (KivDevExec(query, QStringLiteral("SELECT MAX(uid) FROM users"), {}) && query.next()) {
        return query.value(0).toUInt();
    }
    return 0;
}

bool CKivDevUserStore::create(const KivDevUser& user, const QString& passwordDigest) {
    return run(QStringLiteral("INSERT INTO users(uid, account, password, nick, sign, sex, "
                              "birthday, area, phone, head, vip, gift, version) "
                              "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {static_cast<qint64>(user.uid), user.account, passwordDigest, text(user.nickName),
                text(user.sign), user.sex, text(user.birthday), text(user.area), text(user.phone),
                static_cast<qint64>(user.head), user.vip ? 1 : 0,
                static_cast<double>(user.giftBalance), static_cast<qint64>(user.version)});
}

bool CKivDevUserStore::setPassword(std::uint32_t uid, const QString& passwordDigest) {
    int rows = 0;
    return run(QStringLiteral("UPDATE users SET password = ? WHERE uid = ?"),
               {passwordDigest, static_cast<qint64>(uid)}, &rows) &&
           rows == 1;
}

std::uint32_t CKivDevUserStore::updateProfile(const KivDevUser& user) {
    int rows = 0;
    if (!run(QStringLiteral("UPDATE users SET nick = ?, sign = ?, sex = ?, birthday = ?, "
                            "area = ?, phone = ?, head = ?, version = version + 1 WHERE uid = ?"),
             {text(user.nickName), text(user.sign), user.sex, text(user.birthday), text(user.area),
              text(user.phone), static_cast<qint64>(user.head), static_cast<qint64>(user.uid)},
             &rows) ||
        rows != 1) {
        return 0;
    }
    const std::optional<KivDevUser> stored = byUid(user.uid);
    return stored ? stored->version : 0;
}

std::uint32_t CKivDevUserStore::setSign(std::uint32_t uid, const QString& sign) {
    int rows = 0;
    if (!run(QStringLiteral("UPDATE users SET sign = ?, version = version + 1 WHERE uid = ?"),
             {text(sign), static_cast<qint64>(uid)}, &rows) ||
        rows != 1) {
        return 0;
    }
    const std::optional<KivDevUser> stored = byUid(uid);
    return stored ? stored->version : 0;
}

std::vector<KivDevUser> CKivDevUserStore::friendsOf(std::uint32_t uid) const {
    return findAll(QStringLiteral("SELECT %1 FROM users WHERE uid IN "
                                  "(SELECT friend FROM friends WHERE uid = ?) ORDER BY uid")
                       .arg(QLatin1String(kColumns)),
                   {static_cast<qint64>(uid)});
}

std::vector<KivDevUser> CKivDevUserStore::vipUsers() const {
    return findAll(QStringLiteral("SELECT %1 FROM users WHERE vip <> 0 ORDER BY uid")
                       .arg(QLatin1String(kColumns)),
                   {});
}

bool CKivDevUserStore::areFriends(std::uint32_t a, std::uint32_t b) const {
    QSqlQuery query(m_db);
    return KivDevExec(query, QStringLiteral("SELECT 1 FROM friends WHERE uid = ? AND friend = ?"),
                      {static_cast<qint64>(a), static_cast<qint64>(b)}) &&
           query.next();
}

bool CKivDevUserStore::addFriendship(std::uint32_t a, std::uint32_t b) {
    if (!m_db.transaction()) {
        return false;
    }
    const QString sql = QStringLiteral("INSERT OR IGNORE INTO friends(uid, friend) VALUES(?, ?)");
    if (run(sql, {static_cast<qint64>(a), static_cast<qint64>(b)}) &&
        run(sql, {static_cast<qint64>(b), static_cast<qint64>(a)})) {
        return m_db.commit();
    }
    m_db.rollback();
    return false;
}

bool CKivDevUserStore::removeFriendship(std::uint32_t a, std::uint32_t b) {
    int rows = 0;
    return run(QStringLiteral("DELETE FROM friends WHERE (uid = ? AND friend = ?) OR "
                              "(uid = ? AND friend = ?)"),
               {static_cast<qint64>(a), static_cast<qint64>(b), static_cast<qint64>(b),
                static_cast<qint64>(a)},
               &rows) &&
           rows > 0;
}

bool CKivDevUserStore::addRequest(std::uint32_t asker, std::uint32_t asked) {
    return run(QStringLiteral("INSERT OR IGNORE INTO friend_requests(asker, asked) VALUES(?, ?)"),
               {static_cast<qint64>(asker), static_cast<qint64>(asked)});
}

bool CKivDevUserStore::takeRequest(std::uint32_t asker, std::uint32_t asked) {
    int rows = 0;
    return run(QStringLiteral("DELETE FROM friend_requests WHERE asker = ? AND asked = ?"),
               {static_cast<qint64>(asker), static_cast<qint64>(asked)}, &rows) &&
           rows > 0;
}
