#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>
#include <set>

#include "CKivDevServerProcess.h"
#include "CKivHttpTestClient.h"
#include "CKivRawClient.h"
#include "KivTestRegistry.h"

namespace {

const QString kPassword = QStringLiteral("123456");
constexpr std::uint32_t kHead = 1;
constexpr std::uint32_t kAttachment = 2;
constexpr int kQuotaBytes = 1024 * 1024;  // --file-quota-mb 1

QByteArray randomBytes(int size) {
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(static_cast<quint32>(size) + 7);
    for (char& byte : bytes) {
        byte = static_cast<char>(generator.bounded(256));
    }
    return bytes;
}

QByteArray sha256(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray chunkTarget(std::uint32_t uid, QByteArray session, qint64 fileSize, int chunkNumber,
                       qint64 offset, bool end) {
    return "/?UserID=" + QByteArray::number(uid) + "&Session=" + session +
           "&FileSize=" + QByteArray::number(fileSize) +
           "&Chunknum=" + QByteArray::number(chunkNumber) + "&QN=" + QByteArray::number(offset) +
           "&End=" + (end ? "1" : "0") + "&Type=bin&Attribution=2";
}

QByteArray progressTarget(std::uint32_t uid, const QByteArray& session) {
    return "/upload?UserID=" + QByteArray::number(uid) + "&Session=" + session;
}

void sendUploadFile(CKivRawClient& client, std::uint32_t uid, std::uint32_t kind) {
    UploadFileRequest request;
    KivInitRecord(request, UploadFile);
    request.uid = uid;
    request.kind = kind;
    client.send(request);
}

QByteArray nextSessionAnswer(CKivRawClient& client) {
    auto reply = std::make_unique<UploadFileReply>();
    return client.waitFor(UploadFile, *reply) ? KivReadText(reply->text) : QByteArray("none");
}

}  // namespace

// Attachments on the file server: sessions from the messaging server, chunked
// uploads that survive a restart, downloads with ranges, quota and expiry.
class CKivDevServerAttachmentsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_server.setExtraArguments({QStringLiteral("--file-quota-mb"), QStringLiteral("1"),
                                    QStringLiteral("--file-days"), QStringLiteral("1")});
        QVERIFY(m_server.start());
        m_http = std::make_unique<CKivHttpTestClient>(m_server.httpPort());
    }

    void sessionsAreAnsweredInOrder() {
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        QVERIFY(client.login(QStringLiteral("10003"), kPassword));
        // One burst: the answers carry no tag, so their order is all the
        // client has to match them with its requests.
        sendUploadFile(client, 10003, kHead);
        sendUploadFile(client, 10003, kAttachment);
        sendUploadFile(client, 10003, 7);
        UploadFileRequest cut;
        KivInitRecord(cut, UploadFile);
        KivFillHeader(cut.head, UploadFile, 24);
        client.sendBytes(reinterpret_cast<const char*>(&cut), 24);
        sendUploadFile(client, 10001, kAttachment);
        sendUploadFile(client, 10003, kAttachment);
        sendUploadFile(client, 10003, kHead);

        const uint head = nextSessionAnswer(client).toUInt();
        const QByteArray first = nextSessionAnswer(client);
        QCOMPARE(nextSessionAnswer(client), QByteArray("0"));  // unknown kind
        QCOMPARE(nextSessionAnswer(client), QByteArray("0"));  // wrong size
        QCOMPARE(nextSessionAnswer(client), QByteArray("0"));  // another user's uid
        const QByteArray second = nextSessionAnswer(client);
        QCOMPARE(nextSessionAnswer(client).toUInt(), head + 1);
        QVERIFY(head >= 10000u);
        QVERIFY(first.toUInt() != 0 && second.toUInt() != 0 && first != second);

        // Numbers nobody can guess from their own: no run of neighbours.
        std::set<std::uint32_t> numbers;
        for (int i = 0; i < 8; ++i) {
            sendUploadFile(client, 10003, kAttachment);
            numbers.insert(nextSessionAnswer(client).toUInt());
        }
        QCOMPARE(numbers.size(), std::size_t(8));
        QVERIFY(*numbers.begin() != 0);
        QVERIFY(*numbers.rbegin() - *numbers.begin() > 1000u);
    }

    void chunkedUploadRoundTrips_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("chunk");
        QTest::newRow("empty file") << 0 << 1000;
        QTest::newRow("one byte") << 1 << 1000;
        QTest::newRow("exactly one chunk") << 65536 << 65536;
        QTest::newRow("several chunks, short last") << 300001 << 65536;
    }

    void chunkedUploadRoundTrips() {
        QFETCH(int, size);
        QFETCH(int, chunk);
        const QByteArray data = randomBytes(size);
        const QByteArray session = openSession(10001, kAttachment);
        const QByteArray last = upload(10001, session, data, chunk, 0);
        QVERIFY(!QTest::currentTestFailed());
        const QList<QByteArray> parts = last.split(' ');
        QCOMPARE(parts.size(), 3);
        QCOMPARE(parts.at(0), QByteArray::number(size));
        QVERIFY(QRegularExpression(QStringLiteral("\\A[A-Za-z0-9_-]{16,64}\\z"))
                    .match(QString::fromLatin1(parts.at(1)))
                    .hasMatch());
        QCOMPARE(parts.at(2), sha256(data));

        QCOMPARE(m_http->get(progressTarget(10001, session)).body, last);
        // The last answer was lost: an empty last chunk at the end repeats it.
        const CKivHttpTestClient::Reply again =
            m_http->post(chunkTarget(10001, session, size, 99, size, true), QByteArray());
        QCOMPARE(again.status, 200);
        QCOMPARE(again.body, last);

        const CKivHttpTestClient::Reply fetched = m_http->get("/f/" + parts.at(1));
        QCOMPARE(fetched.status, 200);
        QCOMPARE(fetched.header("Content-Type"), QByteArray("application/octet-stream"));
        QCOMPARE(fetched.body.size(), data.size());
        QVERIFY(fetched.body == data);
    }

    void wrongOffsetIsAnsweredWithTheCount() {
        const QByteArray data = randomBytes(3000);
        const QByteArray session = openSession(10003, kAttachment);
        QCOMPARE(post(10003, session, data, 1, 0, 1000, false), QByteArray("200 1000"));
        // A repeated chunk, one from the future, and one that changes the
        // declared size or type: nothing taken, the count told.
        QCOMPARE(post(10003, session, data, 1, 0, 1000, false), QByteArray("409 1000"));
        QCOMPARE(post(10003, session, data, 3, 2000, 1000, true), QByteArray("409 1000"));
        CKivHttpTestClient::Reply changed =
            m_http->post(chunkTarget(10003, session, 4000, 2, 1000, false), data.mid(1000, 1000));
        QCOMPARE(changed.status, 400);
        changed = m_http->post(
            chunkTarget(10003, session, 3000, 2, 1000, false).replace("Type=bin", "Type=png"),
            data.mid(1000, 1000));
        QCOMPARE(changed.status, 400);
        QCOMPARE(m_http->get(progressTarget(10003, session)).body, QByteArray("1000"));

        QCOMPARE(post(10003, session, data, 2, 1000, 1000, false), QByteArray("200 2000"));
        const QByteArray last = post(10003, session, data, 3, 2000, 1000, true);
        QVERIFY(last.startsWith("200 3000 "));
        QVERIFY(last.endsWith(sha256(data)));
        // A complete file takes nothing more.
        QCOMPARE(post(10003, session, data, 1, 0, 1000, false), QByteArray("409 3000"));
        QCOMPARE(m_http->get("/f/" + last.split(' ').at(2)).body, data);
    }

    void refusedChunks_data() {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        const QByteArray rest = "&Chunknum=1&QN=0&End=0&Type=bin&Attribution=2";
        const QByteArray own = "/?UserID=10003&Session=%s&FileSize=100";
        const QByteArray octets = "application/octet-stream";
        QTest::newRow("file above 4 GiB") << "/?UserID=10003&Session=%s&FileSize=4294967297" + rest
                                          << 10 << octets << 413 << "4 GiB";
        QTest::newRow("4 GiB exceeds the quota")
            << "/?UserID=10003&Session=%s&FileSize=4294967296" + rest << 10 << octets << 413
            << "bytes left of 1048576";
        QTest::newRow("chunk above 4 MiB")
            << own + rest << 4 * 1024 * 1024 + 1 << octets << 413 << "";
        QTest::newRow("another user's session")
            << "/?UserID=10001&Session=%s&FileSize=100" + rest << 10 << octets << 403 << "";
        QTest::newRow("unknown session")
            << "/?UserID=10003&Session=12345&FileSize=100" + rest << 10 << octets << 403 << "";
        QTest::newRow("session zero")
            << "/?UserID=10003&Session=0&FileSize=100" + rest << 10 << octets << 403 << "";
        QTest::newRow("user id missing")
            << "/?Session=%s&FileSize=100" + rest << 10 << octets << 400 << "UserID";
        QTest::newRow("user id twice") << own + "&UserID=10001" + rest << 10 << octets << 400 << "";
        QTest::newRow("offset not a number")
            << own + QByteArray(rest).replace("QN=0", "QN=0x0") << 10 << octets << 400 << "";
        QTest::newRow("offset negative")
            << own + QByteArray(rest).replace("QN=0", "QN=-1") << 10 << octets << 400 << "";
        QTest::newRow("size too many digits")
            << "/?UserID=10003&Session=%s&FileSize=99999999999999999999" + rest << 10 << octets
            << 400 << "";
        QTest::newRow("end two") << own + QByteArray(rest).replace("End=0", "End=2") << 10 << octets
                                 << 400 << "";
        QTest::newRow("chunk number zero")
            << own + QByteArray(rest).replace("Chunknum=1", "Chunknum=0") << 10 << octets << 400
            << "";
        QTest::newRow("type with a path")
            << own + QByteArray(rest).replace("Type=bin", "Type=..%2Fx") << 10 << octets << 400
            << "Type";
        QTest::newRow("type too long")
            << own + QByteArray(rest).replace("Type=bin", "Type=abcdefghijklmnopq") << 10 << octets
            << 400 << "Type";
        QTest::newRow("unknown attribution")
            << own + QByteArray(rest).replace("=2", "=3") << 10 << octets << 400 << "Attribution";
        QTest::newRow("chunk past the size") << own + rest << 101 << octets << 400 << "past";
        QTest::newRow("end before all bytes")
            << own + QByteArray(rest).replace("End=0", "End=1") << 99 << octets << 400 << "End=1";
        QTest::newRow("form body")
            << own + rest << 10 << QByteArray("application/x-www-form-urlencoded") << 415
            << "octet-stream";
    }

    void refusedChunks() {
        QFETCH(QByteArray, target);
        QFETCH(int, bodySize);
        QFETCH(QByteArray, contentType);
        QFETCH(int, status);
        QFETCH(QString, text);
        const QByteArray session = openSession(10003, kAttachment);
        const CKivHttpTestClient::Reply reply =
            m_http->post(target.replace("%s", session), QByteArray(bodySize, 'x'), contentType);
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.body.contains(text.toUtf8()), reply.body.constData());
        // Nothing was taken, nor declared.
        QCOMPARE(m_http->get(progressTarget(10003, session)).body, QByteArray("0"));
        QCOMPARE(post(10003, session, randomBytes(100), 1, 0, 100, true).left(8),
                 QByteArray("200 100 "));
    }

    void refusedQueries_data() {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::newRow("progress of another user's session") << progressTarget(10001, "%s") << 403;
        QTest::newRow("progress of an unknown session") << progressTarget(10003, "77") << 403;
        QTest::newRow("progress without a number") << progressTarget(10003, "abc") << 400;
        QTest::newRow("progress without a user") << QByteArray("/upload?Session=%s") << 400;
        QTest::newRow("file up the tree") << QByteArray("/f/../dev.db") << 404;
        QTest::newRow("file up the tree, escaped") << QByteArray("/f/%2e%2e%2fdev.db") << 404;
        QTest::newRow("file id too short") << QByteArray("/f/abcdefghijklmno") << 404;
        QTest::newRow("file id too long") << "/f/" + QByteArray(65, 'a') << 404;
        QTest::newRow("unknown file id") << "/f/" + QByteArray(32, 'a') << 404;
        QTest::newRow("session number as id") << QByteArray("/f/%s") << 404;
    }

    void refusedQueries() {
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        const QByteArray session = openSession(10003, kAttachment);
        QCOMPARE(m_http->get(target.replace("%s", session)).status, status);
    }

    void quotaCountsDeclaredAndCompleteFiles() {
        const QByteArray big = openSession(10004, kAttachment);
        QCOMPARE(
            m_http->post(chunkTarget(10004, big, 700000, 1, 0, false), randomBytes(1000)).status,
            200);
        const QByteArray small = openSession(10004, kAttachment);
        const int left = kQuotaBytes - 700000;
        const CKivHttpTestClient::Reply over =
            m_http->post(chunkTarget(10004, small, left + 1, 1, 0, false), randomBytes(1000));
        QCOMPARE(over.status, 413);
        QVERIFY2(over.body.contains("quota exceeded: " + QByteArray::number(left) + " bytes left"),
                 over.body.constData());
        // What is left fits exactly; then the quota is used up for
        // attachments, not for head pictures.
        const QByteArray data = randomBytes(left);
        QVERIFY(upload(10004, small, data, 100000, 0).startsWith(QByteArray::number(left) + ' '));
        QCOMPARE(openSession(10004, kAttachment), QByteArray("0"));
        QVERIFY(openSession(10004, kHead).toUInt() >= 10000u);
    }

    void restartResumesFromTheConfirmedCount() {
        const QByteArray data = randomBytes(200000);
        const QByteArray session = openSession(10002, kAttachment);
        QCOMPARE(post(10002, session, data, 1, 0, 50000, false), QByteArray("200 50000"));
        QCOMPARE(post(10002, session, data, 2, 50000, 50000, false), QByteArray("200 100000"));
        m_server.kill();
        // A crash after a write but before its confirmation leaves bytes the
        // count does not hold.
        QFile part(m_server.databasePath() + QStringLiteral(".files/") +
                   QString::fromLatin1(session) + QStringLiteral(".part"));
        QVERIFY(part.open(QIODevice::Append));
        part.write(QByteArray(150000, 'j'));
        part.close();
        QVERIFY(m_server.restart());

        QCOMPARE(m_http->get(progressTarget(10002, session)).body, QByteArray("100000"));
        QCOMPARE(post(10002, session, data, 4, 150000, 50000, true), QByteArray("409 100000"));
        QCOMPARE(post(10002, session, data, 3, 100000, 50000, false), QByteArray("200 150000"));
        const QByteArray last = post(10002, session, data, 4, 150000, 50000, true);
        QVERIFY(last.endsWith(sha256(data)));
        QCOMPARE(m_http->get("/f/" + last.split(' ').at(2)).body, data);
    }

    void ranges_data() {
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("contentRange");
        QTest::newRow("whole file") << QByteArray() << 200 << 0 << 1000 << QByteArray();
        QTest::newRow("first ten")
            << QByteArray("bytes=0-9") << 206 << 0 << 10 << QByteArray("bytes 0-9/1000");
        QTest::newRow("resume to the end")
            << QByteArray("bytes=990-") << 206 << 990 << 10 << QByteArray("bytes 990-999/1000");
        QTest::newRow("last byte")
            << QByteArray("bytes=999-999") << 206 << 999 << 1 << QByteArray("bytes 999-999/1000");
        QTest::newRow("last five")
            << QByteArray("bytes=-5") << 206 << 995 << 5 << QByteArray("bytes 995-999/1000");
        QTest::newRow("suffix above the size")
            << QByteArray("bytes=-5000") << 206 << 0 << 1000 << QByteArray("bytes 0-999/1000");
        QTest::newRow("starts at the end")
            << QByteArray("bytes=1000-") << 416 << 0 << 0 << QByteArray("bytes */1000");
        QTest::newRow("runs past the end")
            << QByteArray("bytes=990-2000") << 416 << 0 << 0 << QByteArray("bytes */1000");
        QTest::newRow("empty suffix")
            << QByteArray("bytes=-0") << 416 << 0 << 0 << QByteArray("bytes */1000");
        QTest::newRow("two ranges")
            << QByteArray("bytes=0-1,5-6") << 416 << 0 << 0 << QByteArray("bytes */1000");
        QTest::newRow("backwards") << QByteArray("bytes=50-10") << 416 << 0 << 0 << QByteArray();
    }

    void ranges() {
        QFETCH(QByteArray, range);
        QFETCH(int, status);
        QFETCH(int, from);
        QFETCH(int, length);
        QFETCH(QByteArray, contentRange);
        const QByteArray data = randomBytes(1000);
        if (m_rangeFile.isEmpty()) {
            const QByteArray last = upload(10005, openSession(10005, kAttachment), data, 300, 0);
            m_rangeFile = last.split(' ').value(1);
        }
        const CKivHttpTestClient::Reply reply = m_http->get("/f/" + m_rangeFile, range);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.header("Content-Range"), contentRange);
        if (status != 416) {
            QCOMPARE(reply.body, data.mid(from, length));
        }
    }

    void expiredFilesAndUploadsGo() {
        const QByteArray data = randomBytes(500);
        const QByteArray done = openSession(10005, kAttachment);
        const QByteArray id = upload(10005, done, data, 500, 0).split(' ').value(1);
        const QByteArray unfinished = openSession(10005, kAttachment);
        QCOMPARE(post(10005, unfinished, data, 1, 0, 100, false), QByteArray("200 100"));
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("expiry"));
            db.setDatabaseName(m_server.databasePath());
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral(
                "UPDATE file_uploads SET updated = updated - 2 * 86400 WHERE uid = 10005")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("expiry"));
        // Gone at once, before anything removes them.
        QCOMPARE(m_http->get("/f/" + id).status, 404);
        QCOMPARE(m_http->get(progressTarget(10005, done)).status, 403);
        QCOMPARE(post(10005, unfinished, data, 2, 100, 100, false).left(3), QByteArray("403"));
        // They no longer count against the quota.
        QVERIFY(openSession(10005, kAttachment).toUInt() != 0);

        const QDir folder(m_server.databasePath() + QStringLiteral(".files"));
        QVERIFY(folder.exists(QString::fromLatin1(id)));
        m_server.kill();
        QVERIFY(m_server.restart());
        QVERIFY(!folder.exists(QString::fromLatin1(id)));
        QVERIFY(!folder.exists(QString::fromLatin1(unfinished) + QStringLiteral(".part")));
        m_rangeFile.clear();
    }

    void fileOptionsAreChecked_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("help names them") << QStringList{QStringLiteral("--help")} << 0;
        QTest::newRow("no days") << QStringList{QStringLiteral("--file-days"), QStringLiteral("0")}
                                 << 2;
        QTest::newRow("negative quota")
            << QStringList{QStringLiteral("--file-quota-mb"), QStringLiteral("-1")} << 2;
        QTest::newRow("quota not a number")
            << QStringList{QStringLiteral("--file-quota-mb"), QStringLiteral("lots")} << 2;
    }

    void fileOptionsAreChecked() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QProcess process;
        process.start(QStringLiteral(KIV_DEV_SERVER_BINARY), arguments);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), exitCode);
        const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
        if (exitCode == 0) {
            QVERIFY(output.contains("--file-quota-mb") && output.contains("--file-days"));
        } else {
            QVERIFY(output.contains("--file-"));
        }
    }

private:
    // A session of `kind` for a user who logs in for it.
    QByteArray openSession(std::uint32_t uid, std::uint32_t kind) {
        CKivRawClient client;
        if (!client.connectTo(m_server.tcpPort()) ||
            !client.login(QString::number(uid), kPassword)) {
            return QByteArray("none");
        }
        sendUploadFile(client, uid, kind);
        return nextSessionAnswer(client);
    }

    // Posts `length` bytes of `data` from `offset`; "<status> <body>".
    QByteArray post(std::uint32_t uid, const QByteArray& session, const QByteArray& data,
                    int chunkNumber, int offset, int length, bool end) {
        const CKivHttpTestClient::Reply reply =
            m_http->post(chunkTarget(uid, session, data.size(), chunkNumber, offset, end),
                         data.mid(offset, length));
        return QByteArray::number(reply.status) + ' ' + reply.body;
    }

    // Sends `data` from `offset` in chunks of `chunk`; the last answer's body.
    QByteArray upload(std::uint32_t uid, const QByteArray& session, const QByteArray& data,
                      int chunk, int offset) {
        int number = 1;
        for (;;) {
            const int length = std::min(chunk, data.size() - offset);
            const bool end = offset + length == data.size();
            const QByteArray answer = post(uid, session, data, number++, offset, length, end);
            offset += length;
            if (end) {
                return answer.startsWith("200 ") ? answer.mid(4) : answer;
            }
            if (answer != "200 " + QByteArray::number(offset)) {
                return answer;
            }
        }
    }

    CKivDevServerProcess m_server;
    std::unique_ptr<CKivHttpTestClient> m_http;
    QByteArray m_rangeFile;
};

KIV_TEST_CLASS(CKivDevServerAttachmentsTest)
#include "tst_CKivDevServerAttachments.moc"
