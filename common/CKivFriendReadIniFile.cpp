#include "CKivFriendReadIniFile.h"

#include "KivPrivateProfile.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <limits>

namespace {

QString fromWide(const wchar_t* text) {
    return text ? QString::fromWCharArray(text) : QString();
}

int digitValue(QChar c) {
    const char latin = c.toLower().toLatin1();
    if (latin >= '0' && latin <= '9') {
        return latin - '0';
    }
    if (latin >= 'a' && latin <= 'f') {
        return latin - 'a' + 10;
    }
    return -1;
}

// The profile reader's integer: optional sign, then decimal digits or "0x" and
// hexadecimal digits; whatever follows the digits is ignored, no digits read 0.
long parseProfileInt(const QString& text) {
    const QString trimmed = text.trimmed();
    int pos = 0;
    bool negative = false;
    if (pos < trimmed.size() && (trimmed[pos] == '-' || trimmed[pos] == '+')) {
        negative = trimmed[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (trimmed.mid(pos, 2).compare(QLatin1String("0x"), Qt::CaseInsensitive) == 0) {
        base = 16;
        pos += 2;
    }
    const long long limit = std::numeric_limits<long>::max();
    long long result = 0;
    for (; pos < trimmed.size(); ++pos) {
        const int digit = digitValue(trimmed[pos]);
        if (digit < 0 || digit >= base) {
            break;
        }
        result = result > (limit - digit) / base ? limit : result * base + digit;
    }
    return static_cast<long>(negative ? -result : result);
}

}  // namespace

CKivFriendReadIniFile::CKivFriendReadIniFile(const wchar_t* path) {
    std::fill(std::begin(m_path), std::end(m_path), L'\0');
    set_filename(path);
}

void CKivFriendReadIniFile::set_filename(const wchar_t* path) {
    if (!path) {
        return;
    }
    std::fill(std::begin(m_path), std::end(m_path), L'\0');
    std::wcsncpy(m_path, path, PathCapacity - 1);
}

QString CKivFriendReadIniFile::path() const {
    return QString::fromWCharArray(m_path);
}

QString CKivFriendReadIniFile::value(const wchar_t* section, const wchar_t* key) const {
    const QString sectionName = fromWide(section);
    const QString keyName = fromWide(key);
    if (sectionName.isEmpty() || keyName.isEmpty() || m_path[0] == L'\0') {
        return QString();
    }
    return KivPrivateProfile(path()).Read(sectionName, keyName);
}

int CKivFriendReadIniFile::read_string(const wchar_t* section, const wchar_t* key, wchar_t* out,
                                       int size) {
    if (!out || size <= 0) {
        return 0;
    }
    const QString text = value(section, key).left(size - 1);
    const int written = text.toWCharArray(out);
    out[written] = L'\0';
    return text.isEmpty() ? 0 : 1;
}

int CKivFriendReadIniFile::read_stringA(const wchar_t* section, const wchar_t* key, char* out,
                                        int size) {
    const QString text = value(section, key);
    if (!out || size <= 0 || text.isEmpty()) {
        return 0;
    }
    QByteArray bytes = text.toUtf8();
    if (bytes.size() > size - 1) {
        int cut = size - 1;
        // Never leave half of a multi-byte character at the end.
        while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        bytes.truncate(cut);
    }
    std::memcpy(out, bytes.constData(), static_cast<size_t>(bytes.size()));
    out[bytes.size()] = '\0';
    return 1;
}

long CKivFriendReadIniFile::read_long(const wchar_t* section, const wchar_t* key,
                                      long defaultValue) {
    const QString text = value(section, key);
    return text.isNull() ? defaultValue : parseProfileInt(text);
}

int CKivFriendReadIniFile::read_bool(const wchar_t* section, const wchar_t* key) {
    return read_long(section, key, -1) == 1 ? 1 : 0;
}

int CKivFriendReadIniFile::write(const wchar_t* section, const wchar_t* key, const QString& value) {
    const QString sectionName = fromWide(section);
    const QString keyName = fromWide(key);
    if (sectionName.isEmpty() || keyName.isEmpty() || m_path[0] == L'\0') {
        return 0;
    }
    return KivPrivateProfile(path()).Write(sectionName, keyName, value) ? 1 : 0;
}

int CKivFriendReadIniFile::write_string(const wchar_t* section, const wchar_t* key,
                                        const wchar_t* value) {
    return value ? write(section, key, QString::fromWCharArray(value)) : 0;
}

int CKivFriendReadIniFile::write_bool(const wchar_t* section, const wchar_t* key, bool value) {
    return write(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

int CKivFriendReadIniFile::write_long(const wchar_t* section, const wchar_t* key, long value) {
    return write(section, key, QString::number(value));
}
