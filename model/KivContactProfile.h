#pragma once

#include <QString>

// One row of the local profile table, as the contact dialogs use it.
struct KivContactProfile {
    bool found = false;
    quint32 uid = 0;
    int sex = 1;  // 1 = male, 0 = female
    int head = 0;
    QString account;
    QString nickName;
    QString sign;
    QString area;
    QString phone;
    QString birthday;
};
