#pragma once

#include <QString>

// Reads and writes the values of one INI file. Every call goes to the file
// itself, so a value written by one reader is seen by the next read of any
// other. Section and key names match whatever their case in the file; a write
// keeps every other line of the file as it was.
class CKivFriendReadIniFile {
public:
    static constexpr int PathCapacity = 260;

    explicit CKivFriendReadIniFile(const wchar_t* path = nullptr);

    void set_filename(const wchar_t* path);

    // Copies the value (default "") into out, cut to size - 1 characters and
    // terminated; returns 1 when the value is not empty.
    int read_string(const wchar_t* section, const wchar_t* key, wchar_t* out, int size);
    // The value's stored 8-bit text, cut to size - 1 bytes at a character
    // boundary and terminated; returns 0 and leaves out untouched when empty.
    int read_stringA(const wchar_t* section, const wchar_t* key, char* out, int size);
    long read_long(const wchar_t* section, const wchar_t* key, long defaultValue);
    // 1 only when the value reads as the integer 1.
    int read_bool(const wchar_t* section, const wchar_t* key);

    int write_string(const wchar_t* section, const wchar_t* key, const wchar_t* value);
    int write_bool(const wchar_t* section, const wchar_t* key, bool value);
    int write_long(const wchar_t* section, const wchar_t* key, long value);

private:
    QString path() const;
    // The value as text, or a null string when the section or key is missing.
    QString value(const wchar_t* section, const wchar_t* key) const;
    int write(const wchar_t* section, const wchar_t* key, const QString& value);

    wchar_t m_path[PathCapacity];
};
