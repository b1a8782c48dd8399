#include <QBuffer>
#include <QImage>
#include <QUdpSocket>
#include <QtTest>

#include <httplib.h>

#include <memory>

#include "CKivDevServerProcess.h"
#include "CKivRawClient.h"
#include "KivTestRegistry.h"

namespace {

const QString kPassword = QStringLiteral("123456");

QByteArray pngPicture(int side, QRgb colour) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

std::string uploadPath(std::uint32_t uid, std::uint32_t session, int fileSize) {
    return QStringLiteral(
               "/?UserID=%1&Session=%2&FileSize=%3&Chunknum=1&QN=0&End=1&Type=jpg&"
               "Attribution=1")
        .arg(uid)
        .arg(session)
        .arg(fileSize)
        .toStdString();
}

std::string uploadBody(const QByteArray& png) {
    return ("Content:" + png.toBase64() + "\r\n\r\n").toStdString();
}

}  // namespace

// The head-picture server, profile updates that name a head, and the media side.
class CKivDevServerFilesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_http = std::make_unique<httplib::Client>("127.0.0.1", m_server.httpPort());
        m_http->set_read_timeout(5, 0);
    }

    void uploadThenDownload() {
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        QVERIFY(client.login(QStringLiteral("10004"), kPassword));
        QCOMPARE(m_http->Get("/10004")->status, 404);

        const std::uint32_t session = openSession(client);
        QVERIFY(session >= 10000u);
        const QByteArray png = pngPicture(53, qRgb(200, 10, 10));
        auto posted = m_http->Post(uploadPath(10004, session, png.size()).c_str(), uploadBody(png),
                                   "application/x-www-form-urlencoded");
        QVERIFY(posted);
        QCOMPARE(posted->status, 200);
        QCOMPARE(QByteArray::fromStdString(posted->body), QByteArray::number(session));

        auto fetched = m_http->Get("/10004");
        QVERIFY(fetched);
        QCOMPARE(fetched->status, 200);
        QCOMPARE(QByteArray::fromStdString(fetched->body), png);
        QCOMPARE(QString::fromStdString(fetched->get_header_value("Content-Type")),
                 QStringLiteral("image/png"));

        // A second upload gets a new head number; the profile can name it.
        const std::uint32_t next = openSession(client);
        QVERIFY(next > session);
        const QByteArray second = pngPicture(124, qRgb(10, 200, 10));
        QCOMPARE(m_http
                     ->Post(uploadPath(10004, next, second.size()).c_str(), uploadBody(second),
                            "application/x-www-form-urlencoded")
                     ->status,
                 200);
        QCOMPARE(updateHead(client, session), 1u);
        QCOMPARE(QByteArray::fromStdString(m_http->Get("/10004")->body), png);
        QCOMPARE(updateHead(client, next + 100), 2u);
        QCOMPARE(updateHead(client, 7), 1u);
        QCOMPARE(m_http->Get("/99999")->status, 404);
        QCOMPARE(m_http->Get("/abc")->status, 404);
    }

    void uploadsThatAreRefused_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("status");
        QTest::newRow("other user's session") << "uid" << 403;
        QTest::newRow("unknown session") << "session" << 403;
        QTest::newRow("size mismatch") << "size" << 400;
        QTest::newRow("size zero") << "zero" << 413;
        QTest::newRow("size too large") << "large" << 413;
        QTest::newRow("body too large") << "body" << 413;
        QTest::newRow("no prefix") << "prefix" << 400;
        QTest::newRow("not base64") << "base64" << 400;
        QTest::newRow("not a png") << "png" << 415;
        QTest::newRow("truncated png") << "truncated" << 415;
        QTest::newRow("user id twice") << "twice" << 400;
        QTest::newRow("user id missing") << "missing" << 400;
        // Stores a picture, so it comes last.
        QTest::newRow("used session") << "reuse" << 403;
    }

    void uploadsThatAreRefused() {
        QFETCH(QString, change);
        QFETCH(int, status);
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        QVERIFY(client.login(QStringLiteral("10002"), kPassword));
        const std::uint32_t session = openSession(client);
        QVERIFY(session >= 10000u);
        QByteArray png = pngPicture(16, qRgb(1, 2, 3));
        std::uint32_t uid = 10002;
        std::uint32_t usedSession = session;
        int size = png.size();
        std::string body = uploadBody(png);
        if (change == "uid") {
            uid = 10003;
        } else if (change == "session") {
            usedSession = session + 50;
        } else if (change == "reuse") {
            QCOMPARE(m_http
                         ->Post(uploadPath(uid, session, size).c_str(), body,
                                "application/x-www-form-urlencoded")
                         ->status,
                     200);
        } else if (change == "size") {
            size += 1;
        } else if (change == "zero") {
            size = 0;
        } else if (change == "large") {
            size = 5 * 1024 * 1024;
        } else if (change == "body") {
            // Below the chunk limit of attachments, above the head's own.
            body = "Content:" + std::string(3 * 1024 * 1024, 'A');
        } else if (change == "prefix") {
            body = body.substr(8);
        } else if (change == "base64") {
            body = "Content:*not base64*";
        } else if (change == "png") {
            const QByteArray text("not a picture at all");
            body = uploadBody(text);
            size = text.size();
        } else if (change == "truncated") {
            png.truncate(png.size() / 2);
            body = uploadBody(png);
            size = png.size();
        }
        std::string path = uploadPath(uid, usedSession, size);
        if (change == "twice") {
            path += "&UserID=10003";
        } else if (change == "missing") {
            path = QStringLiteral("/?Session=%1&FileSize=%2").arg(session).arg(size).toStdString();
        }
        auto posted = m_http->Post(path.c_str(), body, "application/x-www-form-urlencoded");
        QVERIFY(posted);
        QCOMPARE(posted->status, status);
        if (change != "reuse") {
            QCOMPARE(m_http->Get("/10002")->status, 404);
        }
    }

    void mediaIsRelayedToTheOtherUser() {
        CKivRawClient caller;
        CKivRawClient callee;
        QVERIFY(caller.connectTo(m_server.tcpPort()));
        QVERIFY(callee.connectTo(m_server.tcpPort()));
        QVERIFY(caller.login(QStringLiteral("10001"), kPassword));
        QVERIFY(callee.login(QStringLiteral("10003"), kPassword));
        ptl_sys_send_per_media media;
        KivInitRecord(media, Media);
        media.callerUid = 10001;
        media.calleeUid = 10003;
        media.state = 1;
        KivWriteText(media.addressA, "127.0.0.1");
        media.audioPortA = 40000;
        caller.send(media);
        ptl_sys_send_per_media received;
        QVERIFY(callee.waitFor(Media, received));
        QCOMPARE(std::memcmp(&received, &media, sizeof(media)), 0);
        media.state = 2;
        callee.send(media);
        QVERIFY(caller.waitFor(Media, received));
        QCOMPARE(received.state, 2u);
    }

    void mediaRegistrationIsLogged() {
        QUdpSocket socket;
        ptl_sys_send_per_media registration;
        KivInitRecord(registration, 11001);
        registration.callerUid = 10001;
        registration.calleeUid = 10003;
        registration.state = 2;
        registration.audioPortA = 41234;
        socket.writeDatagram(reinterpret_cast<const char*>(&registration), sizeof(registration),
                             QHostAddress::LocalHost, m_server.mediaPort());
        socket.writeDatagram("short", 5, QHostAddress::LocalHost, m_server.mediaPort());
        QVERIFY(
            m_server.waitForLog(QStringLiteral("self 10001 peer 10003 state 2 audio port 41234")));
        QVERIFY(m_server.waitForLog(QStringLiteral("media datagram of 5 bytes")));
    }

private:
    static std::uint32_t openSession(CKivRawClient& client) {
        UploadFileRequest request;
        KivInitRecord(request, UploadFile);
        request.uid = client.uid();
        request.kind = 1;
        client.send(request);
        auto reply = std::make_unique<UploadFileReply>();
        if (!client.waitFor(UploadFile, *reply)) {
            return 0;
        }
        return KivReadText(reply->text).toUInt();
    }

    static std::uint32_t updateHead(CKivRawClient& client, std::uint32_t head) {
        UpdateUserInfoRequest request;
        KivInitRecord(request, UpdateUserInfo);
        request.profile.uid = client.uid();
        request.profile.sex = 0;
        request.profile.head = head;
        KivWriteText(request.profile.nickName, "赵六");
        client.send(request);
        UpdateUserInfoResult result;
        return client.waitFor(UpdateUserInfo, result) ? result.iReturn : 99u;
    }

    CKivDevServerProcess m_server;
    std::unique_ptr<httplib::Client> m_http;
};

KIV_TEST_CLASS(CKivDevServerFilesTest)
#include "tst_CKivDevServerFiles.moc"
