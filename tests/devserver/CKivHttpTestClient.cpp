#include "CKivHttpTestClient.h"

#include <QElapsedTimer>
#include <QTcpSocket>

namespace {

constexpr int kWaitMs = 5000;

}  // namespace

QByteArray CKivHttpTestClient::Reply::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return QByteArray();
}

CKivHttpTestClient::Reply CKivHttpTestClient::get(const QByteArray& target,
                                                  const QByteArray& range) const {
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!range.isEmpty()) {
        request += "Range: " + range + "\r\n";
    }
    return send(request + "Connection: close\r\n\r\n");
}

CKivHttpTestClient::Reply CKivHttpTestClient::post(const QByteArray& target, const QByteArray& body,
                                                   const QByteArray& contentType) const {
    return send("POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: " + contentType +
                "\r\nContent-Length: " + QByteArray::number(body.size()) +
                "\r\nConnection: close\r\n\r\n" + body);
}

CKivHttpTestClient::Reply CKivHttpTestClient::send(const QByteArray& request) const {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), m_port);
    Reply reply;
    if (!socket.waitForConnected(kWaitMs)) {
        return reply;
    }
    socket.write(request);
    QByteArray bytes;
    QElapsedTimer timer;
    timer.start();
    while (socket.state() == QAbstractSocket::ConnectedState && timer.elapsed() < kWaitMs) {
        socket.waitForReadyRead(100);
        bytes += socket.readAll();
    }
    bytes += socket.readAll();
    const int headEnd = bytes.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        return reply;
    }
    const QList<QByteArray> lines = bytes.left(headEnd).split('\n');
    const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
    reply.status = statusLine.size() >= 2 ? statusLine.at(1).toInt() : 0;
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        if (colon > 0) {
            reply.headers.append(
                {lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
        }
    }
    reply.body = bytes.mid(headEnd + 4);
    return reply;
}
