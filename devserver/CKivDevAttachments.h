#pragma once

#include <QFile>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "CKivDevFileFolder.h"
#include "KivDevFileLimits.h"

class CKivDevDatabase;
class CKivDevFileStore;
struct KivDevFileUpload;

// The rules of attachment uploads and downloads on the file server. Called
// from the HTTP worker threads and the expiry timer; one chunk is taken at a
// time, so two requests never write the same part file together. Every call
// opens its own connection to the database file.
class CKivDevAttachments {
public:
    // What the HTTP side answers.
    struct Answer {
        int status = 200;
        std::string text;
    };
    // One upload request, its parameters checked for form.
    struct Chunk {
        std::uint32_t uid = 0;
        std::uint32_t session = 0;
        qint64 fileSize = 0;
        qint64 offset = 0;
        bool end = false;
        QString type;
        const char* bytes = nullptr;
        qint64 size = 0;
    };
    // A complete file opened for reading.
    struct Download {
        std::shared_ptr<QFile> file;
        qint64 size = 0;
    };

    CKivDevAttachments(QString databasePath, KivDevFileLimits limits);
    ~CKivDevAttachments();
    CKivDevAttachments(const CKivDevAttachments&) = delete;
    CKivDevAttachments& operator=(const CKivDevAttachments&) = delete;

    // Makes the folder and removes what has expired.
    bool prepare(QString& error);
    Answer takeChunk(const Chunk& chunk);
    // The count held, or "<count> <id> <hash>" once complete.
    Answer progress(std::uint32_t uid, std::uint32_t session);
    // nullopt for an unknown or expired id (or a database failure).
    std::optional<Download> open(const QString& id);
    // Removes files and unfinished uploads past their lifetime.
    void removeExpired();

private:
    Answer finish(CKivDevFileStore& store, const KivDevFileUpload& upload);
    std::unique_ptr<CKivDevDatabase> connect();

    QString m_databasePath;
    KivDevFileLimits m_limits;
    CKivDevFileFolder m_folder;
    std::mutex m_mutex;
    std::atomic<std::uint64_t> m_connections{0};
};
