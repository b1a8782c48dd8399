#include "support/SimpleCrypt.h"

#include <QDataStream>
#include <QDebug>
#include <QRandomGenerator>

namespace {

constexpr char kVersion = 3;
constexpr char kFlagChecksum = 0x02;

}  // namespace

SimpleCrypt::SimpleCrypt(quint64 key) {
    setKey(key);
}

void SimpleCrypt::setKey(quint64 key) {
    m_key = key;
    m_keyParts.clear();
    for (int i = 0; i < 8; ++i)
        m_keyParts.append(char(key >> (8 * i)));
}

QByteArray SimpleCrypt::encryptToByteArray(const QByteArray& plain) {
    if (m_key == 0) {
        qWarning("No key set.");
        m_lastError = ErrorNoKeySet;
        return {};
    }
    QByteArray body;
    QDataStream stream(&body, QIODevice::WriteOnly);
    stream << quint16(qChecksum(plain.constData(), uint(plain.size())));
    body.append(plain);
    body.prepend(char(QRandomGenerator::global()->bounded(256)));

    char last = 0;
    for (int pos = 0; pos < body.size(); ++pos) {
        body[pos] = char(body[pos] ^ m_keyParts.at(pos % 8) ^ last);
        last = body[pos];
    }
    QByteArray cypher;
    cypher.append(kVersion);
    cypher.append(kFlagChecksum);
    cypher.append(body);
    m_lastError = ErrorNone;
    return cypher;
}

QByteArray SimpleCrypt::decryptToByteArray(const QByteArray& cypher) {
    if (m_key == 0) {
        qWarning("No key set.");
        m_lastError = ErrorNoKeySet;
        return {};
    }
    // Version, flags, lead byte and checksum at least.
    if (cypher.size() < 5 || cypher.at(0) != kVersion || cypher.at(1) != kFlagChecksum) {
        m_lastError = ErrorUnknownVersion;
        return {};
    }
    QByteArray body = cypher.mid(2);
    char last = 0;
    for (int pos = 0; pos < body.size(); ++pos) {
        const char current = body[pos];
        body[pos] = char(current ^ last ^ m_keyParts.at(pos % 8));
        last = current;
    }
    body.remove(0, 1);
    QDataStream stream(body);
    quint16 checksum = 0;
    stream >> checksum;
    const QByteArray plain = body.mid(2);
    if (checksum != qChecksum(plain.constData(), uint(plain.size()))) {
        m_lastError = ErrorIntegrityFailed;
        return {};
    }
    m_lastError = ErrorNone;
    return plain;
}

QString SimpleCrypt::encryptToString(const QString& plain) {
    return QString::fromLatin1(encryptToByteArray(plain.toUtf8()).toBase64());
}

QString SimpleCrypt::decryptToString(const QString& cypherText) {
    return QString::fromUtf8(decryptToByteArray(QByteArray::fromBase64(cypherText.toLatin1())));
}
