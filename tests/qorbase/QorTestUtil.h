#pragma once

#include <QByteArray>
#include <utility>

// Whether the call refuses with the integer 1, the byte stream's failure signal.
template <typename Call>
bool throwsOne(Call&& call) {
    try {
        std::forward<Call>(call)();
    } catch (int code) {
        return code == 1;
    }
    return false;
}

// Bytes from a hex text such as "34 12".
inline QByteArray hexBytes(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex));
}
