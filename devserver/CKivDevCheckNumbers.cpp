#include "CKivDevCheckNumbers.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <algorithm>

QString CKivDevCheckNumbers::randomCode() {
    return QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1000000), 6, 10,
                                    QLatin1Char('0'));
}

QString CKivDevCheckNumbers::issue(const QString& phone, std::uint32_t uid) {
    Issued issued;
    issued.code = randomCode();
    issued.uid = uid;
    issued.expiresAt = QDateTime::currentSecsSinceEpoch() + kLifetimeSeconds;
    m_issued[phone] = issued;
    return issued.code;
}

bool CKivDevCheckNumbers::redeem(const QString& phone, const QString& code, std::uint32_t uid) {
    const auto found = m_issued.find(phone);
    if (found == m_issued.end()) {
        return false;
    }
    Issued& issued = found->second;
    if (issued.expiresAt < QDateTime::currentSecsSinceEpoch()) {
        m_issued.erase(found);
        return false;
    }
    if (issued.code != code || issued.uid != uid) {
        if (++issued.attempts >= kMaxAttempts) {
            m_issued.erase(found);
        }
        return false;
    }
    m_issued.erase(found);
    return true;
}

std::uint32_t CKivDevCheckNumbers::reserveUid(std::uint32_t highestStored) {
    m_lastReserved = std::max(m_lastReserved, highestStored) + 1;
    return m_lastReserved;
}
