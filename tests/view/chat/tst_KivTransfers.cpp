#include <QCryptographicHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QtTest>

#include "CKivChatOutbox.h"
#include "CKivSession.h"
#include "KivAttachment.h"
#include "KivLoggedInSession.h"
#include "KivTestRegistry.h"
#include "KivUploadQueries.h"
#include "chat/KivTransfers.h"
#include "support/KivFileUpload.h"

namespace {

constexpr quint32 kFriend = 10002;

// A file of `bytes` that no two offsets of a chunk share by chance.
QString MakeFile(const QTemporaryDir& dir, const QString& name, int bytes) {
    QByteArray content(bytes, '\0');
    quint32 x = 2463534242u;
    for (int i = 0; i < bytes; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        content[i] = char(x);
    }
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != bytes)
        return QString();
    return file.fileName();
}

QByteArray Fetch(quint16 port, const QString& id) {
    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.get(
        QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/f/%2").arg(port).arg(id))));
    const bool finished = QTest::qWaitFor([reply] { return reply->isFinished(); }, 20000);
    const QByteArray body = finished ? reply->readAll() : QByteArray("(no answer)");
    delete reply;
    return body;
}

QByteArray HashOf(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result().toHex()
                                                                 : QByteArray();
}

}  // namespace

// Files sent to a friend reach the file server whole, are announced once
// through the outbox, and go on from the last confirmed chunk after a break.
class tst_KivTransfers : public QObject {
    Q_OBJECT
    QTemporaryDir m_files;

    static KivAttachment Announced(QSignalSpy& spy) {
        const std::optional<KivAttachment> attachment =
            KivAttachment::FromText(spy.first().at(3).toString());
        return attachment ? *attachment : KivAttachment();
    }

private slots:
    void initTestCase() { qRegisterMetaType<KivAttachment>(); }

    void fileArrivesWholeAndIsAnnouncedOnce_data() {
        QTest::addColumn<int>("bytes");
        QTest::newRow("empty") << 0;
        QTest::newRow("one chunk") << 1000;
        QTest::newRow("three chunks, the last short")
            << int(2 * KivFileUpload::kChunkBytes + 12345);
    }
    void fileArrivesWholeAndIsAnnouncedOnce() {
        QFETCH(int, bytes);
        KivLoggedInSession session;
        QVERIFY(session.start());
        const QString path = MakeFile(m_files, QStringLiteral("报告 [1].bin"), bytes);
        KivTransfers transfers(session.session());
        QSignalSpy announced(&transfers, &KivTransfers::Announced);
        QSignalSpy failed(&transfers, &KivTransfers::Failed);
        QString error;
        const qint64 id = transfers.SendFile(kFriend, path, &error);
        QVERIFY2(id > 0, qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(announced.size(), 1, 20000);
        QCOMPARE(failed.size(), 0);
        const KivAttachment attachment = Announced(announced);
        QCOMPARE(attachment.name, QStringLiteral("报告 [1].bin"));
        QCOMPARE(attachment.size, quint64(bytes));
        QCOMPARE(attachment.sha256, HashOf(path));
        QCOMPARE(Fetch(session.server().httpPort(), attachment.id).size(), bytes);
        QCOMPARE(QCryptographicHash::hash(Fetch(session.server().httpPort(), attachment.id),
                                          QCryptographicHash::Sha256)
                     .toHex(),
                 attachment.sha256);
        // The upload is forgotten once its announcement is in the outbox.
        QVERIFY(announced.first().at(2).toLongLong() > 0);
        QVERIFY(KivUploadQueries::Waiting(10001).isEmpty());
        QCOMPARE(transfers.Running(), 0);
    }

    // The server dies in the middle and comes back: the upload goes on from
    // the last chunk it confirmed, and is announced once.
    void serverRestartResumesFromTheLastChunk() {
        KivLoggedInSession session;
        QVERIFY(session.start());
        const QString path =
            MakeFile(m_files, QStringLiteral("big.bin"), int(3 * KivFileUpload::kChunkBytes));
        KivTransfers transfers(session.session());
        QSignalSpy announced(&transfers, &KivTransfers::Announced);
        QSignalSpy failed(&transfers, &KivTransfers::Failed);
        QString error;
        QVERIFY(transfers.SendFile(kFriend, path, &error) > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!KivUploadQueries::Waiting(10001).isEmpty() &&
                                     KivUploadQueries::Waiting(10001).first().sent > 0,
                                 20000);
        session.server().kill();
        QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty() || !announced.isEmpty(), 20000);
        if (!announced.isEmpty())
            QSKIP("the upload ended before the server went away");
        QCOMPARE(failed.first().at(3).toBool(), false);
        const quint64 confirmed = KivUploadQueries::Waiting(10001).first().sent;
        QVERIFY(confirmed > 0);
        QVERIFY(session.server().restart());
        transfers.ResumeAll();
        QTRY_COMPARE_WITH_TIMEOUT(announced.size(), 1, 20000);
        QCOMPARE(Announced(announced).sha256, HashOf(path));
        QCOMPARE(Fetch(session.server().httpPort(), Announced(announced).id), [&] {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }());
    }

    // The program ends in the middle: the next start goes on from the kept
    // upload, and a file that changed meanwhile is refused, not announced.
    void nextStartGoesOnAndChangedFilesAreRefused() {
        KivLoggedInSession session;
        QVERIFY(session.start());
        const QString path =
            MakeFile(m_files, QStringLiteral("later.bin"), int(2 * KivFileUpload::kChunkBytes));
        const QString changing =
            MakeFile(m_files, QStringLiteral("changing.bin"), int(2 * KivFileUpload::kChunkBytes));
        {
            KivTransfers first(session.session());
            QString error;
            QVERIFY(first.SendFile(kFriend, path, &error) > 0);
            QVERIFY(first.SendFile(kFriend, changing, &error) > 0);
            QTRY_VERIFY_WITH_TIMEOUT(KivUploadQueries::Waiting(10001).size() == 2 &&
                                         KivUploadQueries::Waiting(10001).at(1).sent > 0,
                                     20000);
        }
        // Same size, other bytes: only the hash can tell.
        QFile file(changing);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(10);
        file.write("changed");
        file.close();
        KivTransfers second(session.session());
        QSignalSpy announced(&second, &KivTransfers::Announced);
        QSignalSpy failed(&second, &KivTransfers::Failed);
        second.ResumeAll();
        QTRY_VERIFY_WITH_TIMEOUT(announced.size() + failed.size() == 2, 20000);
        QCOMPARE(announced.size(), 1);
        QCOMPARE(Announced(announced).name, QStringLiteral("later.bin"));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().at(3).toBool(), true);
    }

    void unreadableFilesAreRefusedAtOnce() {
        KivLoggedInSession session;
        QVERIFY(session.start());
        KivTransfers transfers(session.session());
        QString error;
        QCOMPARE(transfers.SendFile(kFriend, m_files.filePath(QStringLiteral("missing")), &error),
                 qint64(0));
        QVERIFY(error.contains(QStringLiteral("missing")));
        QCOMPARE(transfers.SendFile(kFriend, m_files.path(), &error), qint64(0));
        QVERIFY(KivUploadQueries::Waiting(10001).isEmpty());
    }
};

KIV_TEST_CLASS(tst_KivTransfers)
#include "tst_KivTransfers.moc"
