#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

#include <cstdint>
#include <optional>

// The attachment files on the disk: "<session>.part" while a file comes in,
// "<id>" once complete. Names are made only from session numbers and
// checked ids, never from anything else a request carries.
class CKivDevFileFolder {
public:
    // The folder beside the database file.
    explicit CKivDevFileFolder(const QString& databasePath);

    bool create();
    const QString& path() const { return m_path; }
    // 16 to 64 characters of A-Z a-z 0-9 _ -.
    static bool isId(const QString& id);
    static QString randomId();

    // Cuts the part file to the `held` bytes the database confirms (a crash
    // may have left more), appends `bytes` and waits until they are on the disk.
    bool append(std::uint32_t session, qint64 held, const char* bytes, qint64 size);
    // The SHA-256 of the part file, lower-case hex.
    std::optional<QByteArray> partHash(std::uint32_t session) const;
    // The part file becomes the file `id`, and back.
    bool publish(std::uint32_t session, const QString& id);
    bool unpublish(std::uint32_t session, const QString& id);
    // A complete file's path; empty for a string that is no id.
    QString filePath(const QString& id) const;
    void removePart(std::uint32_t session);
    void removeFile(const QString& id);

private:
    QString partPath(std::uint32_t session) const;
    bool syncFolder() const;

    QString m_path;
};
