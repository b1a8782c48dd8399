#pragma once

#include <cstdint>

#include "KivDevServices.h"

class CKivDevConnection;

// VipList, Search and the friend flows: request, answer, deletion.
class CKivDevFriendHandler {
public:
    // AddFriendAnswer results sent to the user who asked.
    static constexpr std::uint32_t kAccepted = 1;
    static constexpr std::uint32_t kAlreadyFriends = 2;
    // Search results.
    static constexpr std::int32_t kFound = 1;
    static constexpr std::int32_t kNotFound = 3;
    // Answers the client sends.
    static constexpr std::uint32_t kAnswerAccept = 1;
    static constexpr std::uint32_t kAnswerAutomatic = 3;

    explicit CKivDevFriendHandler(KivDevServices services) : m_services(services) {}

    void vipList(CKivDevConnection& from, const char* data, int length);
    void search(CKivDevConnection& from, const char* data, int length);
    void addFriendRequest(CKivDevConnection& from, const char* data, int length);
    void addFriendAnswer(CKivDevConnection& from, const char* data, int length);
    void deleteFriend(CKivDevConnection& from, const char* data, int length);

private:
    void sendAnswerResult(std::uint32_t asker, std::uint32_t answerer, std::uint32_t result);
    void pushFriendship(std::uint32_t to, std::uint32_t newFriend);

    KivDevServices m_services;
};
