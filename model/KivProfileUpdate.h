#pragma once

#include <QCoreApplication>

#include "KivContactProfile.h"
#include "KivProtocol.h"

// The own profile as the UpdateUserInfo record carries it.
class KivProfileUpdate {
    Q_DECLARE_TR_FUNCTIONS(KivProfileUpdate)

public:
    // The name of the first text the record cannot carry whole (the user is
    // told; nothing is cut), or empty when everything fits.
    static QString TooLong(const KivContactProfile& profile);
    static UpdateUserInfoRequest Build(const KivContactProfile& profile);
};
