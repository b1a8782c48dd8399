#pragma once

#include <QString>

// Where head pictures live: numbers below 10000 are stock pictures, larger
// ones were uploaded and are kept per account.
class KivHeadPath {
public:
    static constexpr int kFirstUploadedHead = 10000;

    static QString Stock(int head);
    static QString DefaultHead();
    // The friend's picture as this account keeps it.
    static QString Friend(const QString& ownAccount, quint32 friendUid, int head);
    static QString UploadedFriend(const QString& ownAccount, quint32 friendUid);
    // The account's own current head picture.
    static QString Own(const QString& account);
    static QString AccountImageFolder(const QString& account);
    // path when it names a readable picture, else the default head.
    static QString OrDefault(const QString& path);
};
