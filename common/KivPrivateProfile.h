#pragma once

#include <QString>

class QTextCodec;

// Single values of an INI file, read and written the way the desktop's private
// profile functions do it. Section and key names match in any case. A value is
// the text after the first '=' with the blanks around it (and one pair of
// enclosing quotes) taken off: commas and semicolons inside it are part of it.
// A write changes or adds one line and keeps every other line byte for byte,
// comments and order included.
class KivPrivateProfile {
public:
    // The file's text is read and written in `codec` (UTF-8 when null).
    explicit KivPrivateProfile(QString file, QTextCodec* codec = nullptr);

    // A null string when the file, the section or the key is missing.
    QString Read(const QString& section, const QString& key) const;
    // Replaces the key's value, or adds the key at the end of its section (the
    // section at the end of the file); false when the file cannot be written.
    bool Write(const QString& section, const QString& key, const QString& value) const;

private:
    QString m_file;
    QTextCodec* m_codec;
};
