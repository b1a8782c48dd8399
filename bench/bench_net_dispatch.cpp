// Received chat records per second through the whole receive path: a local
// server writes them to the client's socket, which cuts each read into
// records and dispatches them through the net model (stored as unread
// messages in one commit per burst of reads, then announced). Against raw SQLite
// inserts of the same rows in one transaction, in the same process; and the
// same path inside TLS, rounds alternating with the plain one, with the time
// a connection takes to be usable (TCP, and the TLS handshake).
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sqlite3.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"

namespace {

constexpr int kMessages = 20000;
constexpr int kRounds = 3;
constexpr Uint32 kOwn = 501;
constexpr Uint32 kPeer = 502;

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double rawInserts(const QString& file) {
    sqlite3* db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> owner(db, &sqlite3_close);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_exec(db,
                 "CREATE TABLE chat_message_table(id integer PRIMARY KEY AUTOINCREMENT,type "
                 "integer,senderuid integer,recveruid integer,message TEXT,msgtime "
                 "varchar(25),isgot  integer);",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(db,
                 "CREATE INDEX chat_message_pair_time ON "
                 "chat_message_table(senderuid,recveruid,msgtime,id);",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(db,
                 "CREATE INDEX chat_message_unread ON "
                 "chat_message_table(isgot,recveruid,senderuid,msgtime);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into chat_message_table values(NULL,0,?,?,?,?,0)", -1, &insert,
                       nullptr);
    const QByteArray time = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss").toUtf8();
    const auto start = std::chrono::steady_clock::now();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < kMessages; ++i) {
        const QByteArray text = "message " + QByteArray::number(i);
        sqlite3_bind_int64(insert, 1, kPeer);
        sqlite3_bind_int64(insert, 2, kOwn);
        sqlite3_bind_text(insert, 3, text.constData(), text.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, time.constData(), time.size(), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double took = seconds(start);
    sqlite3_finalize(insert);
    return took;
}

template <class R>
QByteArray bytesOf(const R& record) {
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof(record));
}

// A loopback listener that accepts the client and writes to it from its own
// thread with blocking sends, so the client's reads never wait for the writer.
// Given a TLS context, it runs the server side of TLS on each connection.
class Feeder {
public:
    explicit Feeder(SSL_CTX* tls = nullptr) : m_tls(tls) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(address);
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            return;
        }
        m_port = ntohs(address.sin_port);
    }
    ~Feeder() {
        drop();
        ::close(m_listener);
    }
    int port() const { return m_port; }
    bool accept() {
        drop();
        m_peer = ::accept(m_listener, nullptr, nullptr);
        if (m_peer < 0 || m_tls == nullptr) {
            return m_peer >= 0;
        }
        m_ssl = SSL_new(m_tls);
        SSL_set_fd(m_ssl, m_peer);
        return SSL_accept(m_ssl) == 1;
    }
    void write(QByteArray bytes) {
        if (m_writer.joinable()) {
            m_writer.join();
        }
        m_writer = std::thread([this, bytes] {
            for (int sent = 0; sent < bytes.size();) {
                const int left = bytes.size() - sent;
                const ssize_t now =
                    m_ssl != nullptr
                        ? SSL_write(m_ssl, bytes.constData() + sent, left)
                        : ::send(m_peer, bytes.constData() + sent, static_cast<size_t>(left), 0);
                if (now <= 0) {
                    return;
                }
                sent += static_cast<int>(now);
            }
        });
    }

private:
    void drop() {
        if (m_writer.joinable()) {
            m_writer.join();
        }
        if (m_ssl != nullptr) {
            SSL_free(m_ssl);
            m_ssl = nullptr;
        }
        if (m_peer >= 0) {
            ::close(m_peer);
            m_peer = -1;
        }
    }

    SSL_CTX* m_tls;
    SSL* m_ssl = nullptr;
    int m_listener = -1;
    int m_peer = -1;
    int m_port = 0;
    std::thread m_writer;
};

// A server context with a self-signed certificate made by the openssl program.
SSL_CTX* ServerContext(const QString& folder, std::string& pin) {
    const QString cert = folder + QStringLiteral("/bench.crt");
    const QString key = folder + QStringLiteral("/bench.key");
    if (QProcess::execute(
            QStringLiteral("openssl"),
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
             "-days", "2", "-subj", "/CN=bench", "-addext", "subjectAltName=IP:127.0.0.1",
             "-keyout", key, "-out", cert}) != 0) {
        return nullptr;
    }
    QProcess digest;
    digest.start(QStringLiteral("sh"),
                 {"-c", QStringLiteral("openssl x509 -in '%1' -pubkey -noout | openssl pkey "
                                       "-pubin -outform der | openssl dgst -sha256 -r")
                            .arg(cert)});
    digest.waitForFinished();
    pin = digest.readAllStandardOutput().left(64).toStdString();
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    if (SSL_CTX_use_certificate_file(ctx, cert.toLocal8Bit().constData(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx, key.toLocal8Bit().constData(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(ctx);
        return nullptr;
    }
    return ctx;
}

bool waitFor(const std::function<bool()>& condition) {
    const auto start = std::chrono::steady_clock::now();
    while (!condition()) {
        if (seconds(start) > 120) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

struct Path {
    const char* name;
    Feeder* feeder;
    CKivTlsSettings tls;
    bool searchIndex = true;
    double connect = 1e30;   // best time from Connect_Svr to connected
    double dispatch = 1e30;  // best time to announce one stream of messages
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CKivFriendNetModel* model = CKivFriendNetModel::GetInstance();

    std::string pin;
    SSL_CTX* serverTls = ServerContext(dir.path(), pin);
    if (serverTls == nullptr) {
        std::printf("dispatch: no TLS certificate for the server\n");
        return 1;
    }
    Feeder plainFeeder;
    Feeder tlsFeeder(serverTls);
    Path plain{"plain", &plainFeeder, CKivTlsSettings()};
    Path tls{"TLS", &tlsFeeder, CKivTlsSettings{true, std::string(), pin, "127.0.0.1"}};
    // The plain path once more, the stored messages left out of the search index.
    Path unindexed{"plain, no search index", &plainFeeder, CKivTlsSettings(), false};

    std::atomic<bool> loggedIn{false};
    std::atomic<int> announced{0};
    // Counted on the receive thread: a message is announced once it is committed.
    QObject::connect(
        model, &CKivFriendNetModel::AccountLoginResult, model,
        [&](int result) { loggedIn = result == 0; }, Qt::DirectConnection);
    QObject::connect(
        model, &CKivFriendNetModel::SendPerMessage, model,
        [&](Uint32, const QByteArray&, int) { ++announced; }, Qt::DirectConnection);

    // Connects the model over the path and logs it in; false on any failure.
    const auto open = [&](Path& path) {
        model->SetTls(path.tls);
        CKivFriendDBModel::GetInstance()->SetSearchIndexing(path.searchIndex);
        model->SetServerIP_And_Port("127.0.0.1", path.feeder->port());
        loggedIn = false;
        // The previous connection goes first: its end is not this one's cost.
        model->Delete_Socket();
        const auto start = std::chrono::steady_clock::now();
        model->Connect_Svr();
        if (path.feeder->port() == 0 || !path.feeder->accept() ||
            !waitFor([&] { return model->IsConnected(); })) {
            std::printf("dispatch: the client did not connect (%s)\n", path.name);
            return false;
        }
        path.connect = std::min(path.connect, seconds(start));
        // The model takes a login result only as the answer to its own request.
        LoginRequest request;
        KivInitRecord(request, Login);
        model->Send_Msg(reinterpret_cast<const char*>(&request), int(sizeof(request)));
        ::LoginResult login;
        KivInitRecord(login, Login);
        login.uid = kOwn;
        KivWriteText(login.account, "bench");
        KivWriteText(login.headAdd, "1");
        path.feeder->write(bytesOf(login));
        if (!waitFor([&] { return loggedIn.load(); })) {
            std::printf("dispatch: login result not dispatched (%s)\n", path.name);
            return false;
        }
        return true;
    };

    QByteArray stream;
    stream.reserve(kMessages * int(sizeof(ChatMessageRecord)));
    for (int i = 0; i < kMessages; ++i) {
        ChatMessageRecord chat;
        KivInitRecord(chat, ChatMessage);
        chat.senderUid = kPeer;
        chat.receiverUid = kOwn;
        KivWriteText(chat.text, "message " + QByteArray::number(i));
        stream += bytesOf(chat);
    }
    // Alternating rounds, best of each: other work on the machine hits all alike.
    double raw = 1e30;
    bool all = true;
    int streams = 0;
    for (int round = 1; round <= kRounds && all; ++round) {
        for (Path* path : {&plain, &unindexed, &tls}) {
            if (!open(*path)) {
                return 1;
            }
            const auto start = std::chrono::steady_clock::now();
            path->feeder->write(stream);
            ++streams;
            all = waitFor([&] { return announced.load() >= streams * kMessages; });
            path->dispatch = std::min(path->dispatch, seconds(start));
        }
        raw = std::min(raw, rawInserts(dir.filePath(QStringLiteral("raw%1.db").arg(round))));
    }
    const int stored = CKivFriendDBModel::GetInstance()->GetChatRecordCount(kOwn, kPeer);

    std::printf("dispatch: %d chat records announced, %d in the table%s\n", announced.load(),
                stored, all ? "" : " (did not finish)");
    for (const Path* path : {&plain, &unindexed, &tls}) {
        std::printf("received over the socket (%s), through the net model: %.0f msg/s\n",
                    path->name, kMessages / path->dispatch);
    }
    std::printf("raw SQLite, one transaction:                             %.0f msg/s\n",
                kMessages / raw);
    std::printf("net model takes %.1fx the time of raw SQLite in one transaction (plain)\n",
                plain.dispatch / raw);
    std::printf("the search index takes %.2fx the time of none on the receive path (plain)\n",
                plain.dispatch / unindexed.dispatch);
    std::printf("TLS takes %.2fx the time of plain on the receive path\n",
                tls.dispatch / plain.dispatch);
    std::printf("connection usable after: plain %.2f ms, TLS %.2f ms (handshake %.2f ms)\n",
                plain.connect * 1000, tls.connect * 1000, (tls.connect - plain.connect) * 1000);
    CKivFriendNetModel::ReleaseInstance();
    CKivFriendDBModel::ReleaseInstance();
    SSL_CTX_free(serverTls);
    return all && stored == streams * kMessages ? 0 : 1;
}
