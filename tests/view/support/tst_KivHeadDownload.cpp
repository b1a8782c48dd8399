#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include "KivTestPictures.h"
#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "support/KivHeadDownload.h"

namespace {

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray NoisyPng(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    quint32 seed = 7;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y, seed >> 8);
        }
    }
    return Png(image);
}

// One HTTP reply per connection, in the shape the test asks for.
class HeadServer : public QObject {
public:
    enum Shape { Picture, Endless, Trickle };

    HeadServer(Shape shape, QByteArray body) : m_shape(shape), m_body(std::move(body)) {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    qint64 sent() const { return m_sent; }

private:
    void serve(QTcpSocket* socket) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            if (!socket->readAll().contains("\r\n\r\n") || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            answer(socket);
        });
    }
    void answer(QTcpSocket* socket) {
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n";
        if (m_shape == Picture) {
            socket->write(head + "Content-Length: " + QByteArray::number(m_body.size()) +
                          "\r\nConnection: close\r\n\r\n" + m_body);
            socket->disconnectFromHost();
            return;
        }
        // No length: the body ends when the connection does, which is never.
        socket->write(head + "Connection: close\r\n\r\n");
        if (m_shape == Endless) {
            const QByteArray chunk(256 * 1024, 'x');
            auto more = [this, socket, chunk] {
                if (socket->bytesToWrite() < chunk.size()) {
                    socket->write(chunk);
                    m_sent += chunk.size();
                }
            };
            connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
        } else {
            auto* drip = new QTimer(socket);
            connect(drip, &QTimer::timeout, socket, [socket] { socket->write("x", 1); });
            drip->start(100);
        }
    }

    QTcpServer m_server;
    Shape m_shape;
    QByteArray m_body;
    qint64 m_sent = 0;
};

}  // namespace

// Head pictures from the file server: whatever the server sends, the head
// already stored is replaced only by a picture that decoded within the caps.
class tst_KivHeadDownload : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    const QString m_path = QStringLiteral("User/10001/image/head(10005).png");

    void pointAt(quint16 port) {
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[base]\r\nfileHostaddr=127.0.0.1\r\nfilehostport=%1\r\n")
                              .arg(port)
                              .toLatin1());
    }
    QByteArray stored() const {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        m_tree->writeFile(m_path, Png(QImage(40, 40, QImage::Format_RGB32)));
    }
    void cleanup() { m_tree.reset(); }

    void goodPictureReplacesTheHead() {
        const QByteArray body = NoisyPng(48);
        HeadServer server(HeadServer::Picture, body);
        pointAt(server.port());
        KivHeadDownload heads;
        QSignalSpy stored(&heads, &KivHeadDownload::Stored);
        heads.Fetch(10005, m_path);
        QTRY_COMPARE_WITH_TIMEOUT(stored.size(), 1, 10000);
        QCOMPARE(stored[0][0].toUInt(), 10005u);
        QCOMPARE(stored[0][1].toString(), m_path);
        QCOMPARE(QImage(m_path).size(), QSize(48, 48));
    }

    void badRepliesLeaveTheHead_data() {
        QTest::addColumn<int>("shape");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("endless body") << int(HeadServer::Endless) << QByteArray();
        QTest::newRow("trickle") << int(HeadServer::Trickle) << QByteArray();
        QTest::newRow("bomb picture") << int(HeadServer::Picture) << KivBombPng();
        const QByteArray whole = NoisyPng(64);
        QTest::newRow("truncated picture")
            << int(HeadServer::Picture) << whole.left(whole.size() / 2);
        QTest::newRow("not a picture")
            << int(HeadServer::Picture) << QByteArray("<html>404</html>");
        QTest::newRow("empty") << int(HeadServer::Picture) << QByteArray();
        // Only PNG and JPEG are heads, whatever plug-in could read the rest.
        QTest::newRow("svg picture")
            << int(HeadServer::Picture)
            << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"/>");
    }
    void badRepliesLeaveTheHead() {
        QFETCH(int, shape);
        QFETCH(QByteArray, body);
        const QByteArray before = stored();
        HeadServer server(HeadServer::Shape(shape), body);
        pointAt(server.port());
        KivHeadDownload heads;
        heads.SetTimeLimit(1500);
        QSignalSpy stored(&heads, &KivHeadDownload::Stored);
        QSignalSpy refused(&heads, &KivHeadDownload::Refused);
        heads.Fetch(10005, m_path);
        QTRY_COMPARE_WITH_TIMEOUT(refused.size(), 1, 10000);
        QCOMPARE(stored.size(), 0);
        QCOMPARE(this->stored(), before);
        // Cut off near the cap, not after the whole endless body.
        QVERIFY2(server.sent() < 4 * KivHeadDownload::kMaxBytes,
                 qPrintable(QString::number(server.sent())));
    }
};

KIV_TEST_CLASS(tst_KivHeadDownload)
#include "tst_KivHeadDownload.moc"
