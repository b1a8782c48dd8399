#pragma once

// Reading client records strictly and filling the server's answers from
// stored accounts.

#include <QByteArray>
#include <QString>

#include <cstring>
#include <vector>

#include "KivDevUser.h"
#include "KivProtocol.h"

// The record as R when it has exactly R's size, else nullptr.
template <class R>
const R* KivDevExact(const char* data, int length) {
    if (length != static_cast<int>(sizeof(R))) {
        return nullptr;
    }
    return KivRecordAs<R>(data, length);
}

// True when the field holds its terminating zero byte.
template <std::size_t N>
bool KivDevTerminated(const char (&field)[N]) {
    return std::memchr(field, 0, N) != nullptr;
}

template <std::size_t N>
QString KivDevUtf8(const char (&field)[N]) {
    return QString::fromUtf8(KivReadText(field));
}

template <std::size_t N>
QString KivDevLatin1(const char (&field)[N]) {
    return QString::fromLatin1(KivReadText(field));
}

template <std::size_t N>
void KivDevWrite(char (&field)[N], const QString& text) {
    KivWriteText(field, text.toUtf8());
}

void KivDevFillProfile(UserProfile& profile, const KivDevUser& user);
void KivDevFillLoginResult(LoginResult& record, const KivDevUser& user);
// A FriendList or VipList record; at most kKivMaxFriendRecords users fit.
void KivDevFillList(FriendListResult& record, std::uint32_t command,
                    const std::vector<KivDevUser>& users);
// An AddFriendPush record (or the item of a stored request) carrying the
// profile of `owner`.
void KivDevFillPush(AddFriendPushRecord& record, const KivDevUser& owner, std::uint32_t fromUid,
                    std::uint32_t toUid, const QByteArray& requestText);
