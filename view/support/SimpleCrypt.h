#pragma once

#include <QByteArray>
#include <QString>

// A light cipher for remembered passwords: XOR with a 64-bit key, chained
// byte to byte, after a random lead byte and a 16-bit checksum of the plain
// bytes, so a wrong key or damaged text is detected instead of decoded.
class SimpleCrypt {
public:
    enum Error { ErrorNone, ErrorNoKeySet, ErrorUnknownVersion, ErrorIntegrityFailed };

    explicit SimpleCrypt(quint64 key = 0);

    void setKey(quint64 key);
    Error lastError() const { return m_lastError; }

    QByteArray encryptToByteArray(const QByteArray& plain);
    QByteArray decryptToByteArray(const QByteArray& cypher);
    // Base64 text of the enciphered UTF-8 bytes, and back.
    QString encryptToString(const QString& plain);
    QString decryptToString(const QString& cypherText);

private:
    quint64 m_key = 0;
    QByteArray m_keyParts;
    Error m_lastError = ErrorNone;
};
