#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

// The head-picture file server: GET "/<uid>" answers the user's picture as
// PNG, POST "/?UserID=..&Session=..&FileSize=.." takes an upload whose body is
// "Content:" and the PNG in Base64. Runs on its own thread; every request
// opens its own connection to the database file.
class CKivDevHttpServer {
public:
    static constexpr int kMaxPngBytes = 1024 * 1024;
    static constexpr int kMaxPictureSide = 2048;

    // With a certificate and key (PEM files) it serves HTTPS.
    explicit CKivDevHttpServer(QString databasePath, const QString& certificateFile = QString(),
                               const QString& keyFile = QString());
    ~CKivDevHttpServer();
    CKivDevHttpServer(const CKivDevHttpServer&) = delete;
    CKivDevHttpServer& operator=(const CKivDevHttpServer&) = delete;

    // Binds (port 0 picks a free one) and starts serving on a new thread.
    bool start(const QString& address, std::uint16_t port, QString& error);
    std::uint16_t port() const { return m_port; }

private:
    void download(const httplib::Request& request, httplib::Response& response);
    void upload(const httplib::Request& request, httplib::Response& response);
    QString nextConnectionName();

    QString m_databasePath;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    std::uint16_t m_port = 0;
    std::atomic<std::uint64_t> m_requests{0};
};
