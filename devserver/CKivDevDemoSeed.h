#pragma once

#include <QString>

#include <vector>

class CKivDevOfflineStore;
class CKivDevUserStore;

// The demo data set: a few accounts with friends, one VIP user, gift
// balances, and offline messages and a friend request waiting for the first
// account. Running it again adds nothing that is already there.
class CKivDevDemoSeed {
public:
    struct Account {
        QString account;
        QString password;
        QString nickName;
    };

    CKivDevDemoSeed(CKivDevUserStore& users, CKivDevOfflineStore& offline)
        : m_users(users), m_offline(offline) {}

    static std::vector<Account> accounts();
    // Adds what is missing and prints the demo accounts; false on a database failure.
    bool run();

private:
    CKivDevUserStore& m_users;
    CKivDevOfflineStore& m_offline;
};
