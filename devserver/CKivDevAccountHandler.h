#pragma once

#include <QString>

#include <cstdint>

#include "KivDevServices.h"

class CKivDevConnection;

// CheckNumber, Register, NewPassword, UpdateUserInfo, SetMyShow, UploadFile.
class CKivDevAccountHandler {
public:
    static constexpr std::uint32_t kPurposeRegister = 1;
    static constexpr std::uint32_t kPurposeRecover = 2;
    static constexpr std::uint32_t kIssued = 2;
    static constexpr std::uint32_t kRefused = 1;
    // Register results.
    static constexpr std::int32_t kRegistered = 0;
    static constexpr std::int32_t kAccountTaken = 1;
    static constexpr std::int32_t kRegisterRefused = 2;
    // UpdateUserInfo results.
    static constexpr std::uint32_t kUpdated = 1;
    static constexpr std::uint32_t kUpdateRefused = 2;
    // UploadFile kinds.
    static constexpr std::uint32_t kUploadHead = 1;
    static constexpr std::uint32_t kUploadAttachment = 2;

    explicit CKivDevAccountHandler(KivDevServices services) : m_services(services) {}

    // The client's rule for a phone number, which is also the account.
    static bool isPhoneNumber(const QString& text);

    void checkNumber(CKivDevConnection& from, const char* data, int length);
    void registerAccount(CKivDevConnection& from, const char* data, int length);
    void newPassword(CKivDevConnection& from, const char* data, int length);
    void updateUserInfo(CKivDevConnection& from, const char* data, int length);
    void setMyShow(CKivDevConnection& from, const char* data, int length);
    void uploadFile(CKivDevConnection& from, const char* data, int length);

private:
    KivDevServices m_services;
};
