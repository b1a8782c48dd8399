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

class CKivDevAttachments;

// The file server. Head pictures: GET "/<uid>" answers the user's picture as
// PNG, POST "/?UserID=..&Session=..&FileSize=.." (Attribution=1 or none)
// takes an upload whose body is "Content:" and the PNG in Base64.
// Attachments: POST with Attribution=2 takes one chunk as raw bytes,
// GET "/upload" tells how far an upload is, GET "/f/<id>" serves a file.
// Runs on its own threads; every request opens its own connection to the
// database file.
class CKivDevHttpServer {
public:
    static constexpr int kMaxPngBytes = 1024 * 1024;
    static constexpr int kMaxPictureSide = 2048;
    // A head upload's body: the picture in Base64 and the prefix.
    static constexpr int kMaxHeadBodyBytes = kMaxPngBytes * 2;

    // With a certificate and key (PEM files) it serves HTTPS.
    CKivDevHttpServer(QString databasePath, CKivDevAttachments& attachments,
                      const QString& certificateFile = QString(),
                      const QString& keyFile = QString());
    ~CKivDevHttpServer();
    CKivDevHttpServer(const CKivDevHttpServer&) = delete;
    CKivDevHttpServer& operator=(const CKivDevHttpServer&) = delete;

    // Binds (port 0 picks a free one) and starts serving on a new thread.
    bool start(const QString& address, std::uint16_t port, QString& error);
    std::uint16_t port() const { return m_port; }

private:
    void download(const httplib::Request& request, httplib::Response& response);
    void post(const httplib::Request& request, httplib::Response& response);
    void upload(const httplib::Request& request, httplib::Response& response);
    void uploadChunk(const httplib::Request& request, httplib::Response& response);
    void uploadProgress(const httplib::Request& request, httplib::Response& response);
    void serveFile(const httplib::Request& request, httplib::Response& response);
    QString nextConnectionName();

    QString m_databasePath;
    CKivDevAttachments& m_attachments;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    std::uint16_t m_port = 0;
    std::atomic<std::uint64_t> m_requests{0};
};
