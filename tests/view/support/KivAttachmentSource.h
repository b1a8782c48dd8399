#pragma once

#include <QByteArray>
#include <QString>

#include "CKivDevServerProcess.h"
#include "KivAttachment.h"

// The real development server holding files for download tests: each file is
// uploaded in chunks through a session asked of the messaging server, and
// comes back as the announcement a chat would carry.
class KivAttachmentSource {
public:
    bool start() { return m_server.start(); }
    quint16 httpPort() const { return m_server.httpPort(); }
    // The attachment of `data` named `name`; an empty id when the upload failed.
    KivAttachment upload(const QString& name, const QByteArray& data);

private:
    QByteArray openSession();
    // "<status> <body>" of one chunk.
    QByteArray post(const QByteArray& session, const QByteArray& data, int number, int offset,
                    int length);

    CKivDevServerProcess m_server;
};

// Bytes that do not compress and differ with the seed.
QByteArray KivRandomBytes(int size, quint32 seed);
QByteArray KivSha256Hex(const QByteArray& bytes);
