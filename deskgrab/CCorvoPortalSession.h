#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "CCorvoPrivateLoop.h"
#include "CCorvoUniqueFd.h"
#include "CorvoGlibOwners.h"
#include "CorvoScreenSize.h"

class CCorvoPortalRequest;

// A screen cast granted by the desktop portal (org.freedesktop.portal.
// ScreenCast) over a D-Bus connection of our own: the session, the user's
// choice of a monitor or window in the portal's chooser, and the PipeWire
// remote that carries the picture. Open, Close and IsClosed belong to one
// thread at a time; Interrupt may come from any thread.
class CCorvoPortalSession {
public:
    // Most requests are answered at once; Start waits for the user's choice.
    static constexpr std::chrono::milliseconds kAnswerLimit{10000};
    static constexpr std::chrono::milliseconds kChoiceLimit{60000};

    CCorvoPortalSession();
    ~CCorvoPortalSession();

    CCorvoPortalSession(const CCorvoPortalSession&) = delete;
    CCorvoPortalSession& operator=(const CCorvoPortalSession&) = delete;

    // Asks for a cast; false with a reason when there is none (no portal,
    // the user cancelled, no answer in time, interrupted).
    bool Open(std::string* error);
    // Ends the session at the portal and lets go of the remote.
    void Close();
    // True when the portal ended the session or the bus went away.
    bool IsClosed();
    // Cuts short a wait of Open.
    void Interrupt();

    // The PipeWire remote and the node of the cast's stream, valid while open.
    int PipeWireFd() const { return m_pipeWire.Get(); }
    std::uint32_t Node() const { return m_node; }
    // The stream's size as the portal announced it; 0 x 0 when it did not.
    CorvoScreenSize AnnouncedSize() const { return m_announced; }

private:
    bool Connect(std::string* error);
    CorvoGlibPtr<GVariant> Call(const char* path, const char* interface, const char* method,
                                GVariant* parameters, const char* replyType,
                                std::chrono::milliseconds limit, CorvoGlibPtr<GUnixFDList>* fds,
                                std::string* error);
    bool Ask(CCorvoPortalRequest& request, const char* method, GVariant* parameters,
             std::chrono::milliseconds limit, std::string* error);
    std::uint32_t ReadProperty(const char* name, std::uint32_t fallback);
    void WatchClosed();
    bool CreateSession(std::string* error);
    bool SelectSources(std::string* error);
    bool StartCast(std::string* error);
    bool OpenRemote(std::string* error);

    CCorvoPrivateLoop m_loop;
    std::mutex m_cancelLock;
    CorvoGlibPtr<GCancellable> m_cancellable;
    CorvoGlibPtr<GDBusConnection> m_connection;
    std::string m_sessionPath;
    guint m_closedSubscription = 0;
    // Shared with the Closed subscription, which may outlive a session.
    std::shared_ptr<std::atomic<bool>> m_closed;
    CCorvoUniqueFd m_pipeWire;
    std::uint32_t m_node = 0;
    CorvoScreenSize m_announced;
};
