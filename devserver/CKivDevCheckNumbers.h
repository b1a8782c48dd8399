#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <utility>

// Check numbers handed out for registration, by phone number. Instead of a
// text message the number goes to the server's log.
class CKivDevCheckNumbers {
public:
    static constexpr qint64 kLifetimeSeconds = 600;
    static constexpr int kMaxAttempts = 5;  // wrong guesses before the number is void

    // A fresh six-digit number for `phone` that comes with `uid`; replaces an
    // earlier one for the same phone.
    QString issue(const QString& phone, std::uint32_t uid);
    // True (and the number is used up) when `code` and `uid` are what was
    // issued for `phone` and it has not expired.
    bool redeem(const QString& phone, const QString& code, std::uint32_t uid);
    // A uid for a new account: above every stored uid and every uid handed out.
    std::uint32_t reserveUid(std::uint32_t highestStored);
    // A six-digit number from the system's random source.
    static QString randomCode();

private:
    struct Issued {
        QString code;
        std::uint32_t uid = 0;
        qint64 expiresAt = 0;
        int attempts = 0;
    };
    std::map<QString, Issued> m_issued;
    std::uint32_t m_lastReserved = 0;
};
