#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

#include "KivAttachmentSource.h"
#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "support/KivFileDownload.h"

namespace {

constexpr int kWaitMs = 15000;
const QString kWrongHash = QStringLiteral("文件校验失败，已删除");

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

bool HasRunBit(const QString& path) {
    return (QFile::permissions(path) & (QFileDevice::ExeOwner | QFileDevice::ExeUser |
                                        QFileDevice::ExeGroup | QFileDevice::ExeOther)) != 0;
}

// Carries connections to the server and records what the client asked; with
// a cut, closes the connection once that many bytes of the answer went by,
// as a broken link would.
class CuttingRelay : public QObject {
public:
    CuttingRelay(quint16 serverPort, qint64 cutAfter) : m_cutAfter(cutAfter) {
        m_listener.listen(QHostAddress::LocalHost);
        connect(&m_listener, &QTcpServer::newConnection, this, [this, serverPort] {
            while (QTcpSocket* client = m_listener.nextPendingConnection())
                carry(client, serverPort);
        });
    }
    quint16 port() const { return m_listener.serverPort(); }
    const QByteArray& requests() const { return m_requests; }
    const QByteArray& answers() const { return m_answers; }

private:
    void carry(QTcpSocket* client, quint16 serverPort) {
        client->setParent(this);
        auto* server = new QTcpSocket(client);
        server->connectToHost(QHostAddress::LocalHost, serverPort);
        connect(client, &QTcpSocket::readyRead, server, [this, client, server] {
            const QByteArray bytes = client->readAll();
            m_requests += bytes;
            server->write(bytes);
        });
        connect(server, &QTcpSocket::readyRead, client, [this, client, server] {
            QByteArray bytes = server->readAll();
            if (m_cutAfter >= 0 && m_answers.size() + bytes.size() >= m_cutAfter) {
                bytes.truncate(int(std::max<qint64>(0, m_cutAfter - m_answers.size())));
                m_answers += bytes;
                client->write(bytes);
                server->abort();
                client->disconnectFromHost();
                return;
            }
            m_answers += bytes;
            client->write(bytes);
        });
        connect(server, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    }

    QTcpServer m_listener;
    qint64 m_cutAfter;
    QByteArray m_requests;
    QByteArray m_answers;
};

// A file server that misbehaves the way a case asks, for what the real one
// never does.
class OddFileServer : public QObject {
public:
    enum Shape { Redirect, Silent, Endless, RangeIgnored, RangeRefused };

    OddFileServer(Shape shape, QByteArray file) : m_shape(shape), m_file(std::move(file)) {
        m_server.listen(QHostAddress::LocalHost);
        m_elsewhere.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    qint64 sent() const { return m_sent; }
    // Connections to where the redirect pointed.
    bool elsewhereAsked() const { return m_elsewhere.hasPendingConnections(); }

private:
    void serve(QTcpSocket* socket) {
        socket->setParent(this);
        // Requests one after the other on a kept connection.
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray pending = socket->property("pending").toByteArray() + socket->readAll();
            for (int end = pending.indexOf("\r\n\r\n"); end >= 0;
                 end = pending.indexOf("\r\n\r\n")) {
                answer(socket, pending.left(end).contains("\r\nRange: "));
                pending.remove(0, end + 4);
            }
            socket->setProperty("pending", pending);
        });
    }
    void answer(QTcpSocket* socket, bool ranged) {
        const QByteArray whole =
            "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(m_file.size()) + "\r\n\r\n" +
            m_file;
        switch (m_shape) {
            case Redirect:
                socket->write("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:" +
                              QByteArray::number(m_elsewhere.serverPort()) +
                              "/f/elsewhere\r\nContent-Length: 0\r\n\r\n");
                break;
            case Silent:
                break;
            case Endless: {
                // No length: the body would end with the connection, never.
                socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
                const QByteArray chunk(64 * 1024, 'x');
                auto more = [this, socket, chunk] {
                    if (socket->bytesToWrite() < chunk.size()) {
                        socket->write(chunk);
                        m_sent += chunk.size();
                    }
                };
                connect(socket, &QTcpSocket::bytesWritten, socket, more);
                more();
                break;
            }
            case RangeIgnored:
                socket->write(whole);
                break;
            case RangeRefused:
                socket->write(ranged ? "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: "
                                       "bytes */" +
                                           QByteArray::number(m_file.size()) +
                                           "\r\nContent-Length: 0\r\n\r\n"
                                     : whole);
                break;
        }
    }

    Shape m_shape;
    QByteArray m_file;
    QTcpServer m_server;
    QTcpServer m_elsewhere;
    qint64 m_sent = 0;
};

}  // namespace

// Announced files from the file server: whatever the server or the folder
// holds, the file gets its final name only whole and matching its hash, in
// the chosen folder, beside what is there and without a run bit.
class tst_KivFileDownload : public QObject {
    Q_OBJECT
    KivAttachmentSource m_source;
    std::unique_ptr<KivViewTestTree> m_tree;
    QByteArray m_bigData;
    KivAttachment m_big;
    QByteArray m_smallData;
    KivAttachment m_small;

    QString folder() const { return m_tree->path() + QStringLiteral("/下载"); }
    void pointAt(quint16 port) {
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[base]\r\nfileHostaddr=127.0.0.1\r\nfilehostport=%1\r\n")
                              .arg(port)
                              .toLatin1());
    }
    KivAttachment small(const QString& name) const {
        KivAttachment attachment = m_small;
        attachment.name = name;
        return attachment;
    }
    // Runs a download to its end: the final path, or empty and the reason.
    QString run(KivFileDownload& download, QString* reason = nullptr) {
        QSignalSpy finished(&download, &KivFileDownload::Finished);
        QSignalSpy failed(&download, &KivFileDownload::Failed);
        download.Start();
        if (!QTest::qWaitFor([&] { return finished.size() + failed.size() > 0; }, kWaitMs))
            return QString();
        if (reason && !failed.isEmpty())
            *reason = failed.at(0).at(0).toString();
        return finished.isEmpty() ? QString() : finished.at(0).at(0).toString();
    }
    QStringList entries() const {
        return QDir(folder()).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_source.start());
        m_bigData = KivRandomBytes(3 * 1024 * 1024 + 17, 1);
        m_big = m_source.upload(QStringLiteral("录像.mp4"), m_bigData);
        m_smallData = KivRandomBytes(5000, 2);
        m_small = m_source.upload(QStringLiteral("报告.txt"), m_smallData);
        QVERIFY(KivAttachment::IsValidId(m_big.id));
        QVERIFY(KivAttachment::IsValidId(m_small.id));
    }
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        pointAt(m_source.httpPort());
    }
    void cleanup() { m_tree.reset(); }

    void largeFileArrivesWhole() {
        KivFileDownload download(m_big, folder());
        QList<qint64> progress;
        connect(&download, &KivFileDownload::Progress, this,
                [&progress](qint64 received, qint64 total) {
                    QCOMPARE(total, qint64(3 * 1024 * 1024 + 17));
                    progress << received;
                });
        const QString path = run(download);
        QCOMPARE(path, QDir(folder()).absoluteFilePath(QStringLiteral("录像.mp4")));
        QVERIFY(ReadAll(path) == m_bigData);
        QCOMPARE(entries(), QStringList{QStringLiteral("录像.mp4")});
        QVERIFY(!HasRunBit(path));
        // Reported as it came, not once at the end.
        QVERIFY(progress.size() > 3);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
        QCOMPARE(progress.last(), qint64(m_bigData.size()));
        QCOMPARE(download.Received(), download.Total());
    }

    void brokenDownloadGoesOnWithARange_data() {
        QTest::addColumn<bool>("cutByLink");
        QTest::newRow("cancelled") << false;
        QTest::newRow("connection cut") << true;
    }
    void brokenDownloadGoesOnWithARange() {
        QFETCH(bool, cutByLink);
        qint64 held = 0;
        {
            CuttingRelay relay(m_source.httpPort(), cutByLink ? 1000 * 1000 : -1);
            pointAt(relay.port());
            KivFileDownload download(m_big, folder());
            if (!cutByLink)
                connect(&download, &KivFileDownload::Progress, &download, &KivFileDownload::Cancel);
            QSignalSpy failed(&download, &KivFileDownload::Failed);
            download.Start();
            QTRY_VERIFY_WITH_TIMEOUT(!download.Running(), kWaitMs);
            QCOMPARE(failed.size(), cutByLink ? 1 : 0);
            held = download.Received();
            QVERIFY2(held > 0 && held < m_bigData.size(), qPrintable(QString::number(held)));
            QCOMPARE(QFileInfo(download.PartPath()).size(), held);
            QVERIFY(!QFile::exists(download.TargetPath()));
        }
        CuttingRelay relay(m_source.httpPort(), -1);
        pointAt(relay.port());
        KivFileDownload again(m_big, folder());
        const QString path = run(again);
        QVERIFY(ReadAll(path) == m_bigData);
        QVERIFY(
            relay.requests().contains("\r\nRange: bytes=" + QByteArray::number(held) + "-\r\n"));
        QVERIFY(relay.answers().startsWith("HTTP/1.1 206 "));
        // Only the rest travelled.
        QVERIFY(relay.answers().size() < m_bigData.size() - held + 4096);
        QCOMPARE(entries(), QStringList{QStringLiteral("录像.mp4")});
    }

    void untrueAnnouncementsLeaveNothing_data() {
        QTest::addColumn<int>("sizeChange");
        QTest::addColumn<bool>("wrongHash");
        QTest::addColumn<bool>("unknownId");
        QTest::addColumn<QString>("reason");
        QTest::newRow("tampered") << 0 << true << false << kWrongHash;
        QTest::newRow("file larger than announced") << -1 << false << false << "多于";
        QTest::newRow("file smaller than announced") << 1 << false << false << "少于";
        QTest::newRow("gone from the server") << 0 << false << true << "不存在";
    }
    void untrueAnnouncementsLeaveNothing() {
        QFETCH(int, sizeChange);
        QFETCH(bool, wrongHash);
        QFETCH(bool, unknownId);
        QFETCH(QString, reason);
        KivAttachment attachment = m_small;
        attachment.size = quint64(qint64(attachment.size) + sizeChange);
        if (wrongHash)
            attachment.sha256 = KivSha256Hex("something else");
        if (unknownId)
            attachment.id = QStringLiteral("no_such_file_0123456789");
        KivFileDownload download(attachment, folder());
        QString why;
        QVERIFY(run(download, &why).isEmpty());
        QVERIFY2(why.contains(reason), qPrintable(why));
        QCOMPARE(entries(), QStringList());
    }

    // Whatever was left under the part's name, the file that arrives is this one.
    void leftoverPartIsChecked_data() {
        QTest::addColumn<QByteArray>("leftover");
        QTest::addColumn<bool>("runBits");
        QTest::newRow("another file's start") << KivRandomBytes(2000, 9) << false;
        QTest::newRow("longer than the file") << KivRandomBytes(6000, 9) << false;
        QTest::newRow("full size, other bytes") << KivRandomBytes(5000, 9) << false;
        QTest::newRow("this file's start, run bits") << m_smallData.left(1234) << true;
    }
    void leftoverPartIsChecked() {
        QFETCH(QByteArray, leftover);
        QFETCH(bool, runBits);
        const QString part = folder() + QStringLiteral("/报告.txt.part");
        Write(part, leftover);
        if (runBits)
            QVERIFY(QFile::setPermissions(part, QFile::permissions(part) | QFileDevice::ExeOwner |
                                                    QFileDevice::ExeGroup | QFileDevice::ExeOther |
                                                    QFileDevice::WriteOther));
        KivFileDownload download(m_small, folder());
        const QString path = run(download);
        QVERIFY(ReadAll(path) == m_smallData);
        QVERIFY(!HasRunBit(path));
        QVERIFY((QFile::permissions(path) & (QFileDevice::WriteGroup | QFileDevice::WriteOther)) ==
                0);
        QCOMPARE(entries(), QStringList{QStringLiteral("报告.txt")});
    }

    void namesStayInTheFolder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("up the tree") << "../../逃出.txt"
                                     << "逃出.txt";
        const QString controls = QStringLiteral("a") + QChar(0x01) + "b\n" + QChar(0x7f) + "c.txt";
        QTest::newRow("controls") << controls << "abc.txt";
        QTest::newRow("300 characters") << QString(296, QLatin1Char('n')) + ".txt" << QString();
        QTest::newRow("300 wide characters") << QString(296, QChar(0x6587)) + ".txt" << QString();
    }
    void namesStayInTheFolder() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        KivFileDownload download(small(name), folder());
        const QString path = run(download);
        QVERIFY(!path.isEmpty());
        QCOMPARE(QFileInfo(path).absolutePath(), QDir(folder()).absolutePath());
        const QString saved = QFileInfo(path).fileName();
        if (expected.isEmpty())
            QVERIFY(saved.endsWith(QLatin1String(".txt")));
        else
            QCOMPARE(saved, expected);
        // Room left for " (n)" and ".part" within the file system's limit.
        QVERIFY(saved.toUtf8().size() <= 255 - 12);
        QCOMPARE(entries(), QStringList{saved});
        QCOMPARE(QDir(m_tree->path()).entryList(QDir::Files), QStringList());
        QVERIFY(ReadAll(path) == m_smallData);
    }

    void takenNamesAreKept() {
        Write(folder() + QStringLiteral("/报告.txt"), "mine");
        Write(folder() + QStringLiteral("/报告 (1).txt"), "mine too");
        // A link under the next free name must not carry the file elsewhere.
        QVERIFY(QFile::link(m_tree->path() + QStringLiteral("/outside.txt"),
                            folder() + QStringLiteral("/报告 (2).txt")));
        KivFileDownload download(m_small, folder());
        const QString path = run(download);
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("报告 (3).txt"));
        QVERIFY(ReadAll(path) == m_smallData);
        QCOMPARE(ReadAll(folder() + QStringLiteral("/报告.txt")), QByteArray("mine"));
        QCOMPARE(ReadAll(folder() + QStringLiteral("/报告 (1).txt")), QByteArray("mine too"));
        QVERIFY(!QFile::exists(m_tree->path() + QStringLiteral("/outside.txt")));
    }

    void twoFilesOfOneNameAtOnce() {
        const QByteArray otherData = KivRandomBytes(7000, 3);
        const KivAttachment other = m_source.upload(QStringLiteral("报告.txt"), otherData);
        KivFileDownload first(m_small, folder());
        KivFileDownload second(other, folder());
        QSignalSpy firstDone(&first, &KivFileDownload::Finished);
        QSignalSpy secondDone(&second, &KivFileDownload::Finished);
        first.Start();
        second.Start();
        QVERIFY(first.PartPath() != second.PartPath());
        QTRY_VERIFY_WITH_TIMEOUT(firstDone.size() == 1 && secondDone.size() == 1, kWaitMs);
        QVERIFY(ReadAll(firstDone.at(0).at(0).toString()) == m_smallData);
        QVERIFY(ReadAll(secondDone.at(0).at(0).toString()) == otherData);
        QCOMPARE(entries(),
                 QStringList({QStringLiteral("报告 (1).txt"), QStringLiteral("报告.txt")}));
    }

    void refusedBeforeAnyRequest_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("hash");
        QTest::addColumn<qint64>("cap");
        QTest::newRow("id with a path") << "../../../../etc/passwd" << m_small.sha256 << qint64(-1);
        QTest::newRow("id too short") << "abc" << m_small.sha256 << qint64(-1);
        QTest::newRow("hash malformed") << m_small.id << QByteArray("abc") << qint64(-1);
        QTest::newRow("above the cap") << m_small.id << m_small.sha256 << qint64(4999);
    }
    void refusedBeforeAnyRequest() {
        QFETCH(QString, id);
        QFETCH(QByteArray, hash);
        QFETCH(qint64, cap);
        CuttingRelay relay(m_source.httpPort(), -1);
        pointAt(relay.port());
        KivAttachment attachment = m_small;
        attachment.id = id;
        attachment.sha256 = hash;
        KivFileDownload download(attachment, folder());
        download.SetByteCap(cap);
        QSignalSpy failed(&download, &KivFileDownload::Failed);
        download.Start();
        QCOMPARE(failed.size(), 1);
        QVERIFY(!download.Running());
        QCOMPARE(entries(), QStringList());
        QCoreApplication::processEvents();
        QVERIFY(relay.requests().isEmpty());
    }

    void oddServers_data() {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("leftover");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("redirect") << int(OddFileServer::Redirect) << 0 << false;
        QTest::newRow("silence") << int(OddFileServer::Silent) << 0 << false;
        QTest::newRow("endless body") << int(OddFileServer::Endless) << 0 << false;
        QTest::newRow("range answered whole") << int(OddFileServer::RangeIgnored) << 3000 << true;
        QTest::newRow("range refused") << int(OddFileServer::RangeRefused) << 3000 << true;
    }
    void oddServers() {
        QFETCH(int, shape);
        QFETCH(int, leftover);
        QFETCH(bool, arrives);
        OddFileServer server(OddFileServer::Shape(shape), m_smallData);
        pointAt(server.port());
        if (leftover > 0)
            Write(folder() + QStringLiteral("/报告.txt.part"), m_smallData.left(leftover));
        KivFileDownload download(m_small, folder());
        // Short only where the silence is the case: a loaded machine may
        // pause a healthy transfer for longer.
        download.SetSilenceLimit(arrives ? 10000 : 300);
        QString reason;
        const QString path = run(download, &reason);
        QVERIFY2(!path.isEmpty() == arrives, qPrintable(reason));
        if (arrives) {
            QVERIFY(ReadAll(path) == m_smallData);
            return;
        }
        QVERIFY(!reason.isEmpty());
        QVERIFY(!server.elsewhereAsked());
        QVERIFY2(server.sent() < 64 * 1024 * 1024, qPrintable(QString::number(server.sent())));
        QVERIFY(!QFile::exists(download.TargetPath()));
    }
};

KIV_TEST_CLASS(tst_KivFileDownload)
#include "tst_KivFileDownload.moc"
