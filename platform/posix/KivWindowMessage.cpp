#include "KivWindowMessage.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QtEndian>

#include <atomic>
#include <cerrno>
#include <cstring>

// Each window listens on a local socket in a folder only its user can enter;
// the receiver also checks the peer's user id. A message is the 16-byte head
// {kind u32, sender u64, length u32} and the data; the answer is one byte,
// 1 once the handler has run, 0 when the message was refused.

namespace {

constexpr int kHeadBytes = 16;
constexpr int kIdleConnectionMs = 5000;

// The folder of the sockets, made private to this user; empty when no such
// folder can be had (then no window listens and no message is sent). Without
// a runtime folder it lives in the user's home: in a shared temporary folder
// another user could take its name first and turn calls off.
QString SocketFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QString base = QString::fromLocal8Bit(runtime);
    if (runtime.isEmpty()) {
        base = QDir::homePath() + QStringLiteral("/.cache");
        QDir().mkpath(base);
    }
    const QString folder = base + QStringLiteral("/kiv-windows-%1").arg(getuid());
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    struct stat info {};
    if (lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0) {
        return {};
    }
    return folder;
}

// X window ids repeat across displays, so the display is part of the name.
QString SocketPath(quint64 id) {
    const QString folder = SocketFolder();
    if (folder.isEmpty()) {
        return {};
    }
    QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    for (QChar& c : display) {
        if (!c.isLetterOrNumber()) {
            c = QLatin1Char('_');
        }
    }
    return folder + QStringLiteral("/w%1-%2").arg(display).arg(id);
}

// The connecting process of the same user, or 0.
qint64 SameUserPeer(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        peer.uid != getuid() || peer.pid <= 0) {
        return 0;
    }
    return peer.pid;
}

}  // namespace

class KivMessageWindowPrivate {
public:
    KivMessageWindow* q = nullptr;
    quint64 id = 0;
    KivMessageWindow::Handler handler;
    QLocalServer server;
    bool listening = false;

    void accept();
    void read(QLocalSocket* socket);
};

void KivMessageWindowPrivate::accept() {
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        const qint64 peer = SameUserPeer(*socket);
        if (peer == 0) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setProperty("kivPeer", peer);
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        QObject::connect(idle, &QTimer::timeout, socket, &QLocalSocket::abort);
        idle->start(kIdleConnectionMs);
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, q, [this, socket] { read(socket); });
        if (socket->bytesAvailable() > 0) {
            read(socket);
        }
    }
}

void KivMessageWindowPrivate::read(QLocalSocket* socket) {
    if (socket->property("kivDone").toBool() || socket->bytesAvailable() < kHeadBytes) {
        return;
    }
    char head[kHeadBytes];
    socket->peek(head, kHeadBytes);
    const quint32 length = qFromLittleEndian<quint32>(head + 12);
    if (length > quint32(KivWindowMessageMaxData)) {
        socket->setProperty("kivDone", true);
        socket->write("\0", 1);
        socket->disconnectFromServer();
        return;
    }
    if (socket->bytesAvailable() < kHeadBytes + qint64(length)) {
        return;
    }
    socket->setProperty("kivDone", true);
    socket->read(head, kHeadBytes);
    KivWindowMessage message;
    message.message = KivWmCopyData;
    message.kind = qFromLittleEndian<quint32>(head);
    message.wParam = qFromLittleEndian<quint64>(head + 4);
    message.data = socket->read(length);
    message.senderPid = socket->property("kivPeer").toLongLong();
    // The handler may send messages itself, which serves further connections
    // meanwhile; the socket stays ours until it is answered.
    QPointer<QLocalSocket> guard(socket);
    handler(message);
    if (guard) {
        guard->write("\1", 1);
        guard->disconnectFromServer();
    }
}

KivMessageWindow::KivMessageWindow(quint64 id, Handler handler, QObject* parent)
    : QObject(parent), d(std::make_unique<KivMessageWindowPrivate>()) {
    d->q = this;
    d->id = id;
    d->handler = std::move(handler);
    const QString path = SocketPath(id);
    if (path.isEmpty() || KivWindowExists(id)) {
        return;
    }
    QLocalServer::removeServer(path);
    d->server.setSocketOptions(QLocalServer::UserAccessOption);
    d->listening = d->server.listen(path);
    connect(&d->server, &QLocalServer::newConnection, this, [this] { d->accept(); });
}

KivMessageWindow::~KivMessageWindow() {
    d->server.close();
}

quint64 KivMessageWindow::id() const {
    return d->id;
}

bool KivMessageWindow::isListening() const {
    return d->listening;
}

void KivMessageWindow::post(quint32 message, quint64 wParam) {
    QMetaObject::invokeMethod(
        this,
        [this, message, wParam] {
            KivWindowMessage posted;
            posted.message = message;
            posted.wParam = wParam;
            d->handler(posted);
        },
        Qt::QueuedConnection);
}

quint64 KivWindowIdFor(quint64 nativeId) {
    if (QGuiApplication::platformName() == QLatin1String("xcb") && nativeId != 0) {
        return nativeId;
    }
    // Fits a positive int, as the command line passes it with "%d".
    static std::atomic<quint32> next{1};
    return (quint64(getpid() & 0x3FFFFF) << 8) | (next++ & 0xFF);
}

bool KivSendMessage(quint64 to, quint32 kind, quint64 sender, const QByteArray& data,
                    int timeoutMs) {
    const QString path = SocketPath(to);
    if (path.isEmpty() || to == 0 || data.size() > KivWindowMessageMaxData) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    char head[kHeadBytes];
    qToLittleEndian<quint32>(kind, head);
    qToLittleEndian<quint64>(sender, head + 4);
    qToLittleEndian<quint32>(quint32(data.size()), head + 12);
    socket.write(head, kHeadBytes);
    socket.write(data);

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    if (socket.bytesAvailable() == 0 && socket.state() == QLocalSocket::ConnectedState) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == 1;
}

bool KivWindowExists(quint64 id) {
    const QString path = SocketPath(id);
    if (path.isEmpty() || id == 0) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    const bool alive = socket.waitForConnected(1000);
    socket.abort();
    return alive;
}
