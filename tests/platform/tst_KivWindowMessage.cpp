#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <unistd.h>

#include "KivTestRegistry.h"
#include "KivWindowMessage.h"

namespace {

// The peer process of KivWindowPeer.cpp, stopped with the test.
class Peer {
public:
    bool start() {
        m_process.start(QStringLiteral(KIV_WINDOW_PEER), {QStringLiteral("listen")});
        if (!m_process.waitForStarted(10000)) {
            return false;
        }
        for (int i = 0; i < 300 && !m_process.canReadLine(); ++i) {
            m_process.waitForReadyRead(100);
        }
        m_id = m_process.readLine().trimmed().toULongLong();
        return m_id != 0;
    }
    quint64 id() const { return m_id; }
    QProcess& process() { return m_process; }
    ~Peer() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    quint64 m_id = 0;
};

// Where the window with `id` listens (the layer's own naming).
QString SocketPathOf(quint64 id) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QString base = runtime.isEmpty() ? QDir::homePath() + QStringLiteral("/.cache")
                                           : QString::fromLocal8Bit(runtime);
    QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    for (QChar& c : display) {
        if (!c.isLetterOrNumber()) {
            c = QLatin1Char('_');
        }
    }
    return base + QStringLiteral("/kiv-windows-%1/w%2-%3").arg(getuid()).arg(display).arg(id);
}

struct Received {
    QList<KivWindowMessage> messages;
    KivMessageWindow::Handler handler() {
        return [this](const KivWindowMessage& message) { messages.append(message); };
    }
};

}  // namespace

class TestKivWindowMessage : public QObject {
    Q_OBJECT
private slots:
    // The peer answers inside its handler by sending back to us while we still
    // wait for our own send: our handler runs meanwhile, and both sends return.
    void sendWaitsForTheHandlerAndServesNestedMessages() {
        Received received;
        KivMessageWindow own(KivWindowIdFor(0), received.handler());
        QVERIFY(own.isListening());
        Peer peer;
        QVERIFY(peer.start());

        const QByteArray record(176, '\x5a');
        QVERIFY(KivSendMessage(peer.id(), 10, own.id(), record));
        QCOMPARE(received.messages.size(), 1);
        const KivWindowMessage& back = received.messages.first();
        QCOMPARE(back.message, KivWmCopyData);
        QCOMPARE(back.kind, 110u);
        QCOMPARE(back.wParam, peer.id());
        QCOMPARE(back.data, record);
        // The system names the sending process, whatever id the sender claims.
        QCOMPARE(back.senderPid, peer.process().processId());

        QVERIFY(KivSendMessage(peer.id(), 1, own.id(), QByteArray(1, '\0')));
        QCOMPARE(received.messages.size(), 2);
        QCOMPARE(received.messages.last().data, QByteArray(1, '\0'));
    }

    void sendFromAnotherProcessReachesTheHandler() {
        Received received;
        KivMessageWindow own(KivWindowIdFor(0), received.handler());
        QProcess sender;
        sender.start(QStringLiteral(KIV_WINDOW_PEER),
                     {QStringLiteral("send"), QString::number(own.id()), QStringLiteral("11"),
                      QStringLiteral("176")});
        QVERIFY(sender.waitForStarted(10000));
        const qint64 senderPid = sender.processId();
        QTRY_COMPARE_WITH_TIMEOUT(received.messages.size(), 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(sender.state(), QProcess::NotRunning, 20000);
        QCOMPARE(sender.exitCode(), 0);
        QCOMPARE(received.messages.first().kind, 11u);
        QCOMPARE(received.messages.first().data.size(), 176);
        QCOMPARE(received.messages.first().senderPid, senderPid);
        QVERIFY(KivSendMessage(own.id(), 12, 0, QByteArray("x")));
        QCOMPARE(received.messages.last().senderPid, QCoreApplication::applicationPid());
    }

    void postIsQueuedToTheOwnHandler() {
        Received received;
        KivMessageWindow own(KivWindowIdFor(0), received.handler());
        own.post(2034, 77);
        own.post(2035, 78);
        QVERIFY(received.messages.isEmpty());
        QTRY_COMPARE(received.messages.size(), 2);
        QCOMPARE(received.messages[0].message, 2034u);
        QCOMPARE(received.messages[0].wParam, 77u);
        QCOMPARE(received.messages[1].message, 2035u);
        QCOMPARE(received.messages[0].senderPid, qint64(0));
    }

    void aWindowThatIsGoneFailsQuickly() {
        Peer peer;
        QVERIFY(peer.start());
        const quint64 id = peer.id();
        QVERIFY(KivWindowExists(id));
        peer.process().kill();
        peer.process().waitForFinished(5000);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!KivSendMessage(id, 1, 0, QByteArray(1, '\0'), 10000));
        QVERIFY(!KivWindowExists(id));
        // Refused at connect, not by the time-out.
        QVERIFY(clock.elapsed() < 5000);

        QVERIFY(!KivSendMessage(0, 1, 0, {}));
    }

    void oneIdHasOneWindow() {
        Received first;
        Received second;
        KivMessageWindow a(KivWindowIdFor(0), first.handler());
        KivMessageWindow b(a.id(), second.handler());
        QVERIFY(a.isListening());
        QVERIFY(!b.isListening());
        QVERIFY(KivSendMessage(a.id(), 3, 0, "x"));
        QCOMPARE(first.messages.size(), 1);
        QVERIFY(second.messages.isEmpty());
    }

    // Oversized data is refused by the sender, and by the receiver when a
    // peer announces it anyway; the handler never sees it.
    void oversizedDataIsRefused() {
        Received received;
        KivMessageWindow own(KivWindowIdFor(0), received.handler());
        QVERIFY(!KivSendMessage(own.id(), 1, 0, QByteArray(KivWindowMessageMaxData + 1, 'x')));
        QVERIFY(KivSendMessage(own.id(), 1, 0, QByteArray(KivWindowMessageMaxData, 'x')));
        QCOMPARE(received.messages.size(), 1);

        QLocalSocket raw;
        raw.connectToServer(SocketPathOf(own.id()));
        QVERIFY(raw.waitForConnected(5000));
        char head[16] = {};
        qToLittleEndian<quint32>(1, head);
        qToLittleEndian<quint32>(quint32(KivWindowMessageMaxData) + 1, head + 12);
        raw.write(head, sizeof(head));
        raw.write(QByteArray(1000, 'y'));
        QTRY_VERIFY_WITH_TIMEOUT(
            raw.bytesAvailable() > 0 || raw.state() == QLocalSocket::UnconnectedState, 10000);
        QCOMPARE(raw.read(1), QByteArray(1, '\0'));
        QCOMPARE(received.messages.size(), 1);
    }

    // Without a runtime folder the sockets live in the user's home: a name
    // taken first in the shared temporary folder turns nothing off.
    void withoutRuntimeFolderTheHomeServes() {
        QTemporaryDir temporary;
        QTemporaryDir home;
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        QFile squatter(temporary.filePath(QStringLiteral("kiv-windows-%1").arg(getuid())));
        QVERIFY(squatter.open(QIODevice::WriteOnly));
        squatter.close();
        bool listening = false;
        bool delivered = false;
        {
            Received received;
            KivMessageWindow window(KivWindowIdFor(0), received.handler());
            listening = window.isListening();
            delivered = KivSendMessage(window.id(), 7, 1, QByteArray("x"));
        }
        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("HOME", oldHome);
        qputenv("TMPDIR", oldTemp);
        QVERIFY(listening);
        QVERIFY(delivered);
        QVERIFY(QFileInfo(home.filePath(QStringLiteral(".cache/kiv-windows-%1").arg(getuid())))
                    .isDir());
    }

    // Another user cannot even reach the socket of a window.
    void anotherUserIsRefused() {
        if (getuid() != 0) {
            QSKIP("needs root to run a process as another user");
        }
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty()) {
            QSKIP("setpriv is not installed");
        }
        Received received;
        KivMessageWindow own(KivWindowIdFor(0), received.handler());
        const auto connectAs = [&](const QString& uid) {
            QProcess peer;
            peer.start(setpriv, {QStringLiteral("--reuid=") + uid, QStringLiteral("--regid=") + uid,
                                 QStringLiteral("--clear-groups"), QStringLiteral(KIV_WINDOW_PEER),
                                 QStringLiteral("connect"), SocketPathOf(own.id())});
            peer.waitForFinished(20000);
            return peer.exitStatus() == QProcess::NormalExit ? peer.exitCode() : -1;
        };
        QCOMPARE(connectAs(QStringLiteral("0")), 0);
        QCOMPARE(connectAs(QStringLiteral("65534")), 1);
        QCoreApplication::processEvents();
        QVERIFY(received.messages.isEmpty());
    }
};

KIV_TEST_CLASS(TestKivWindowMessage)
#include "tst_KivWindowMessage.moc"
