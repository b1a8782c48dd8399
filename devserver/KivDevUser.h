#pragma once

#include <QString>

#include <cstdint>

// One account as the server keeps it.
struct KivDevUser {
    std::uint32_t uid = 0;
    QString account;
    QString nickName;
    QString sign;
    int sex = 1;  // 1 = male, 0 = female
    QString birthday;
    QString area;
    QString phone;
    std::uint32_t head = 1;  // < 10000 built in, >= 10000 uploaded
    bool vip = false;
    float giftBalance = 0.0f;
    std::uint32_t version = 1;  // profile version, raised by every change
};
