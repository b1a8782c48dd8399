#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <optional>

// A picture or file announced in a chat: the announcement is a chat message
// whose whole text is one line naming the file, its size, its id on the file
// server and its SHA-256 (the form is written down in ATTACHMENTS.md).
struct KivAttachment {
    // Files up to 4 GiB travel.
    static constexpr quint64 kMaxSize = quint64(1) << 32;
    // The name's UTF-8 bytes before escaping, as most file systems allow.
    static constexpr int kMaxNameBytes = 255;

    QString name;       // as the sender named it
    quint64 size = 0;   // bytes
    QString id;         // on the file server
    QByteArray sha256;  // 64 lower-case hex digits

    // The announcement, or empty when a field cannot be announced (an empty or
    // too long name, a size above the limit, a malformed id or hash).
    QString ToText() const;
    // The attachment a chat text announces, or nothing: a text that is not
    // exactly the form (or names something it cannot) is an ordinary text.
    static std::optional<KivAttachment> FromText(const QString& text);
    // Whether a chat text is an announcement; cheaper than parsing it.
    static bool LooksLikeAnnouncement(const QString& text);

    // Pictures are shown inline: PNG, JPEG and GIF by the name's suffix.
    bool IsPicture() const;
    // The name as shown: without control and direction-changing characters.
    QString ShownName() const;
    // The name cut to kMaxNameBytes of UTF-8, keeping its suffix.
    static QString FitName(const QString& name);
    // A name to save the file under: no folder parts, no control or
    // direction-changing characters, not hidden, not empty, within limits.
    static QString SafeFileName(const QString& name);
    // A well-formed file-server id: 16 to 64 of A-Z a-z 0-9 _ -.
    static bool IsValidId(const QString& id);
};

Q_DECLARE_METATYPE(KivAttachment)
