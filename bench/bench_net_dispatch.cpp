// Received chat records per second through the whole receive path: a local
// server writes them to the client's socket, which cuts each read into
// records and dispatches them through the net model (stored as unread
// messages in one commit per burst of reads, then announced). Against raw SQLite
// inserts of the same rows in one transaction, in the same process.
#include <sqlite3.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
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
    sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
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
class Feeder {
public:
    Feeder() {
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
        if (m_writer.joinable()) {
            m_writer.join();
        }
        if (m_peer >= 0) {
            ::close(m_peer);
        }
        ::close(m_listener);
    }
    int port() const { return m_port; }
    bool accept() {
        m_peer = ::accept(m_listener, nullptr, nullptr);
        return m_peer >= 0;
    }
    void write(QByteArray bytes) {
        if (m_writer.joinable()) {
            m_writer.join();
        }
        m_writer = std::thread([this, bytes] {
            for (int sent = 0; sent < bytes.size();) {
                const ssize_t now = ::send(m_peer, bytes.constData() + sent,
                                           static_cast<size_t>(bytes.size() - sent), 0);
                if (now <= 0) {
                    return;
                }
                sent += static_cast<int>(now);
            }
        });
    }

private:
    int m_listener = -1;
    int m_peer = -1;
    int m_port = 0;
    std::thread m_writer;
};

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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CKivFriendNetModel* model = CKivFriendNetModel::GetInstance();

    Feeder feeder;
    std::atomic<bool> loggedIn{false};
    std::atomic<int> announced{0};
    // Counted on the receive thread: a message is announced once it is committed.
    QObject::connect(
        model, &CKivFriendNetModel::AccountLoginResult, model,
        [&](int result) { loggedIn = result == 0; }, Qt::DirectConnection);
    QObject::connect(
        model, &CKivFriendNetModel::SendPerMessage, model,
        [&](Uint32, const QByteArray&, int) { ++announced; }, Qt::DirectConnection);
    model->SetServerIP_And_Port("127.0.0.1", feeder.port());
    model->Connect_Svr();
    if (feeder.port() == 0 || !feeder.accept() || !waitFor([&] { return model->IsConnected(); })) {
        std::printf("dispatch: the client did not connect\n");
        return 1;
    }
    // The model takes a login result only as the answer to its own request.
    LoginRequest request;
    KivInitRecord(request, Login);
    model->Send_Msg(reinterpret_cast<const char*>(&request), int(sizeof(request)));
    ::LoginResult login;
    KivInitRecord(login, Login);
    login.uid = kOwn;
    KivWriteText(login.account, "bench");
    KivWriteText(login.headAdd, "1");
    feeder.write(bytesOf(login));
    if (!waitFor([&] { return loggedIn.load(); })) {
        std::printf("dispatch: login result not dispatched\n");
        return 1;
    }

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
    // Alternating rounds, best of each: other work on the machine hits both alike.
    double dispatch = 1e30;
    double raw = 1e30;
    bool all = true;
    for (int round = 1; round <= kRounds && all; ++round) {
        const auto start = std::chrono::steady_clock::now();
        feeder.write(stream);
        all = waitFor([&] { return announced.load() >= round * kMessages; });
        dispatch = std::min(dispatch, seconds(start));
        raw = std::min(raw, rawInserts(dir.filePath(QStringLiteral("raw%1.db").arg(round))));
    }
    const int stored = CKivFriendDBModel::GetInstance()->GetChatRecordCount(kOwn, kPeer);

    std::printf("dispatch: %d chat records announced, %d in the table%s\n", announced.load(),
                stored, all ? "" : " (did not finish)");
    std::printf("received over the socket, through the net model: %.0f msg/s\n",
                kMessages / dispatch);
    std::printf("raw SQLite, one transaction:                     %.0f msg/s\n", kMessages / raw);
    std::printf("net model takes %.1fx the time of raw SQLite in one transaction\n",
                dispatch / raw);
    CKivFriendNetModel::ReleaseInstance();
    CKivFriendDBModel::ReleaseInstance();
    return all && stored == kRounds * kMessages ? 0 : 1;
}
