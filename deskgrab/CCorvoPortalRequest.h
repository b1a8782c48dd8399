#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "CorvoGlibOwners.h"

// One request to the desktop portal. The portal answers with a Response
// signal on an object path made of our bus name and a token of ours; the
// request listens there from the moment it exists, so that an answer sent
// before the method call returns is not missed. The subscription lands on
// the thread-default main context of the moment it is made.
class CCorvoPortalRequest {
public:
    CCorvoPortalRequest(GDBusConnection* connection, const std::string& token);
    ~CCorvoPortalRequest();

    CCorvoPortalRequest(const CCorvoPortalRequest&) = delete;
    CCorvoPortalRequest& operator=(const CCorvoPortalRequest&) = delete;

    const std::string& Token() const { return m_token; }
    const std::string& Path() const { return m_path; }
    // Listens on the path the method call returned, if the portal chose
    // another one (portals older than the handle_token option).
    void Follow(const std::string& path);

    bool IsAnswered() const { return m_answer->answered; }
    // 0 granted, 1 cancelled by the user, 2 refused otherwise.
    std::uint32_t Code() const { return m_answer->code; }
    // The a{sv} of results; null before the answer.
    GVariant* Results() const { return m_answer->results.get(); }

    // The object path of a request: /org/freedesktop/portal/desktop/request/
    // then the unique bus name without its colon and with its dots as
    // underscores, then the token.
    static std::string PathFor(const std::string& uniqueName, const std::string& token);

private:
    struct Answer {
        bool answered = false;
        std::uint32_t code = 2;
        CorvoGlibPtr<GVariant> results;
    };

    void Subscribe();
    void Unsubscribe();

    GDBusConnection* m_connection;
    std::string m_token;
    std::string m_path;
    guint m_subscription = 0;
    // Shared with the subscription: GDBus may still deliver a queued signal
    // after the unsubscription.
    std::shared_ptr<Answer> m_answer;
};
