#pragma once

#include <QString>

// Accounts made by phone: eleven digits, the first 1, the second 3 to 8.
class KivPhoneNumber {
public:
    static bool IsValid(const QString& text);
};
