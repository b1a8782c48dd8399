#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One HTTP/1.1 request per connection on a raw loopback socket, so that a
// test can send what a browser would never send. The answer is read to the
// connection's end.
class CKivHttpTestClient {
public:
    struct Reply {
        int status = 0;  // 0: no answer
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;

        QByteArray header(const QByteArray& name) const;
    };

    explicit CKivHttpTestClient(quint16 port) : m_port(port) {}

    Reply get(const QByteArray& target, const QByteArray& range = QByteArray()) const;
    Reply post(const QByteArray& target, const QByteArray& body,
               const QByteArray& contentType = "application/octet-stream") const;
    Reply send(const QByteArray& request) const;

private:
    quint16 m_port;
};
