#include "CCorvoPortalSession.h"

#include <unistd.h>

#include "CCorvoPortalRequest.h"
#include "CCorvoThreadDefaultContext.h"

namespace {

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kScreenCast = "org.freedesktop.portal.ScreenCast";
constexpr const char* kSessionInterface = "org.freedesktop.portal.Session";

// Source types and cursor modes of the ScreenCast interface.
constexpr std::uint32_t kMonitor = 1;
constexpr std::uint32_t kWindow = 2;
constexpr std::uint32_t kCursorEmbedded = 2;

// Request and session tokens must be unique within our connection.
std::string NewToken() {
    static std::atomic<unsigned> counter{0};
    return "corvo" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
}

std::string ErrorText(const GError* error) {
    return error != nullptr && error->message != nullptr ? error->message : "unknown error";
}

}  // namespace

CCorvoPortalSession::CCorvoPortalSession()
    : m_cancellable(g_cancellable_new()), m_closed(std::make_shared<std::atomic<bool>>(false)) {}

CCorvoPortalSession::~CCorvoPortalSession() {
    Close();
}

void CCorvoPortalSession::Interrupt() {
    m_loop.Interrupt();
    std::lock_guard<std::mutex> guard(m_cancelLock);
    g_cancellable_cancel(m_cancellable.get());
}

bool CCorvoPortalSession::Open(std::string* error) {
    Close();
    m_loop.Reset();
    {
        // A cancellable stays cancelled: every cast gets a fresh one.
        std::lock_guard<std::mutex> guard(m_cancelLock);
        m_cancellable.reset(g_cancellable_new());
    }
    // Replies and signals of this session go to our context only.
    const CCorvoThreadDefaultContext ours(m_loop.Context());
    const bool opened = Connect(error) && CreateSession(error) && SelectSources(error) &&
                        StartCast(error) && OpenRemote(error);
    if (!opened) {
        Close();
    }
    return opened;
}

bool CCorvoPortalSession::Connect(std::string* error) {
    GError* rawError = nullptr;
    CorvoGlibPtr<gchar> address(
        g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, m_cancellable.get(), &rawError));
    if (address != nullptr) {
        // A connection of our own: nothing else in the process sees our
        // signals, and closing it ends whatever the portal still holds for us.
        m_connection.reset(g_dbus_connection_new_for_address_sync(
            address.get(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, m_cancellable.get(), &rawError));
    }
    CorvoGlibPtr<GError> failure(rawError);
    if (m_connection == nullptr) {
        *error =
            "cannot reach the session bus for the screen cast portal: " + ErrorText(failure.get());
        return false;
    }
    return true;
}

CorvoGlibPtr<GVariant> CCorvoPortalSession::Call(const char* path, const char* interface,
                                                 const char* method, GVariant* parameters,
                                                 const char* replyType,
                                                 std::chrono::milliseconds limit,
                                                 CorvoGlibPtr<GUnixFDList>* fds,
                                                 std::string* error) {
    // Shared with the reply handler: a reply that comes after we gave up
    // lands in it and is released with it.
    struct Reply {
        bool done = false;
        CorvoGlibPtr<GVariant> value;
        CorvoGlibPtr<GUnixFDList> fds;
        CorvoGlibPtr<GError> error;
    };
    auto reply = std::make_shared<Reply>();
    g_dbus_connection_call_with_unix_fd_list(
        m_connection.get(), kPortalName, path, interface, method, parameters,
        G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, static_cast<int>(limit.count()), nullptr,
        m_cancellable.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::shared_ptr<Reply>> holder(
                static_cast<std::shared_ptr<Reply>*>(data));
            Reply& answer = **holder;
            GUnixFDList* list = nullptr;
            GError* rawError = nullptr;
            answer.value.reset(g_dbus_connection_call_with_unix_fd_list_finish(
                G_DBUS_CONNECTION(source), &list, result, &rawError));
            answer.fds.reset(list);
            answer.error.reset(rawError);
            answer.done = true;
        },
        new std::shared_ptr<Reply>(reply));
    const std::string what = std::string(interface) + "." + method;
    switch (m_loop.WaitFor([&reply] { return reply->done; }, limit)) {
        case CCorvoPrivateLoop::WaitResult::Done:
            break;
        case CCorvoPrivateLoop::WaitResult::TimedOut:
            *error = "the desktop portal did not answer " + what + " in time";
            return nullptr;
        case CCorvoPrivateLoop::WaitResult::Interrupted:
            *error = "the screen cast request was interrupted";
            return nullptr;
    }
    if (reply->value == nullptr) {
        *error = "the desktop portal failed " + what + ": " + ErrorText(reply->error.get());
        return nullptr;
    }
    if (fds != nullptr) {
        *fds = std::move(reply->fds);
    }
    return std::move(reply->value);
}

bool CCorvoPortalSession::Ask(CCorvoPortalRequest& request, const char* method,
                              GVariant* parameters, std::chrono::milliseconds limit,
                              std::string* error) {
    const CorvoGlibPtr<GVariant> handle =
        Call(kPortalPath, kScreenCast, method, parameters, "(o)", kAnswerLimit, nullptr, error);
    if (handle == nullptr) {
        return false;
    }
    const gchar* path = nullptr;
    g_variant_get(handle.get(), "(&o)", &path);
    request.Follow(path);
    const CCorvoPrivateLoop::WaitResult waited =
        m_loop.WaitFor([&request] { return request.IsAnswered(); }, limit);
    if (waited != CCorvoPrivateLoop::WaitResult::Done) {
        // Takes the portal's dialog, if any, off the screen.
        g_dbus_connection_call(m_connection.get(), kPortalName, request.Path().c_str(),
                               "org.freedesktop.portal.Request", "Close", nullptr, nullptr,
                               G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
        *error = waited == CCorvoPrivateLoop::WaitResult::TimedOut
                     ? std::string("no answer to the screen cast's ") + method + " in time"
                     : std::string("the screen cast request was interrupted");
        return false;
    }
    if (request.Code() == 1) {
        *error = "the screen cast was cancelled";
        return false;
    }
    if (request.Code() != 0) {
        *error = std::string("the desktop portal refused the screen cast (") + method +
                 ", response " + std::to_string(request.Code()) + ")";
        return false;
    }
    return true;
}

std::uint32_t CCorvoPortalSession::ReadProperty(const char* name, std::uint32_t fallback) {
    std::string ignored;
    const CorvoGlibPtr<GVariant> reply =
        Call(kPortalPath, "org.freedesktop.DBus.Properties", "Get",
             g_variant_new("(ss)", kScreenCast, name), "(v)", kAnswerLimit, nullptr, &ignored);
    if (reply == nullptr) {
        return fallback;
    }
    GVariant* rawValue = nullptr;
    g_variant_get(reply.get(), "(v)", &rawValue);
    const CorvoGlibPtr<GVariant> value(rawValue);
    return g_variant_is_of_type(value.get(), G_VARIANT_TYPE_UINT32)
               ? g_variant_get_uint32(value.get())
               : fallback;
}

void CCorvoPortalSession::WatchClosed() {
    m_closed = std::make_shared<std::atomic<bool>>(false);
    m_closedSubscription = g_dbus_connection_signal_subscribe(
        m_connection.get(), kPortalName, kSessionInterface, "Closed", m_sessionPath.c_str(),
        nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
           gpointer data) { **static_cast<std::shared_ptr<std::atomic<bool>>*>(data) = true; },
        new std::shared_ptr<std::atomic<bool>>(m_closed),
        [](gpointer data) { delete static_cast<std::shared_ptr<std::atomic<bool>>*>(data); });
}

bool CCorvoPortalSession::CreateSession(std::string* error) {
    CCorvoPortalRequest request(m_connection.get(), NewToken());
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token",
                          g_variant_new_string(request.Token().c_str()));
    g_variant_builder_add(&options, "{sv}", "session_handle_token",
                          g_variant_new_string(NewToken().c_str()));
    if (!Ask(request, "CreateSession", g_variant_new("(a{sv})", &options), kAnswerLimit, error)) {
        return false;
    }
    const CorvoGlibPtr<GVariant> handle(
        g_variant_lookup_value(request.Results(), "session_handle", nullptr));
    if (handle == nullptr || !(g_variant_is_of_type(handle.get(), G_VARIANT_TYPE_STRING) ||
                               g_variant_is_of_type(handle.get(), G_VARIANT_TYPE_OBJECT_PATH))) {
        *error = "the desktop portal made a screen cast session without a handle";
        return false;
    }
    m_sessionPath = g_variant_get_string(handle.get(), nullptr);
    if (!g_variant_is_object_path(m_sessionPath.c_str())) {
        *error = "the desktop portal named its screen cast session wrongly";
        m_sessionPath.clear();
        return false;
    }
    WatchClosed();
    return true;
}

bool CCorvoPortalSession::SelectSources(std::string* error) {
    // Monitors and windows as far as the portal offers them; its chooser
    // lets the user pick one.
    std::uint32_t types = ReadProperty("AvailableSourceTypes", kMonitor) & (kMonitor | kWindow);
    if (types == 0) {
        types = kMonitor;
    }
    const std::uint32_t cursorModes = ReadProperty("AvailableCursorModes", 0);
    CCorvoPortalRequest request(m_connection.get(), NewToken());
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token",
                          g_variant_new_string(request.Token().c_str()));
    g_variant_builder_add(&options, "{sv}", "types", g_variant_new_uint32(types));
    g_variant_builder_add(&options, "{sv}", "multiple", g_variant_new_boolean(FALSE));
    if ((cursorModes & kCursorEmbedded) != 0) {
        g_variant_builder_add(&options, "{sv}", "cursor_mode",
                              g_variant_new_uint32(kCursorEmbedded));
    }
    return Ask(request, "SelectSources", g_variant_new("(oa{sv})", m_sessionPath.c_str(), &options),
               kAnswerLimit, error);
}

bool CCorvoPortalSession::StartCast(std::string* error) {
    CCorvoPortalRequest request(m_connection.get(), NewToken());
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token",
                          g_variant_new_string(request.Token().c_str()));
    if (!Ask(request, "Start", g_variant_new("(osa{sv})", m_sessionPath.c_str(), "", &options),
             kChoiceLimit, error)) {
        return false;
    }
    const CorvoGlibPtr<GVariant> streams(
        g_variant_lookup_value(request.Results(), "streams", G_VARIANT_TYPE("a(ua{sv})")));
    if (streams == nullptr || g_variant_n_children(streams.get()) == 0) {
        *error = "the screen cast has no stream";
        return false;
    }
    GVariant* rawProperties = nullptr;
    g_variant_get_child(streams.get(), 0, "(u@a{sv})", &m_node, &rawProperties);
    const CorvoGlibPtr<GVariant> properties(rawProperties);
    gint32 width = 0;
    gint32 height = 0;
    if (g_variant_lookup(properties.get(), "size", "(ii)", &width, &height) && width > 0 &&
        height > 0) {
        m_announced = {width, height};
    }
    return true;
}

bool CCorvoPortalSession::OpenRemote(std::string* error) {
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    CorvoGlibPtr<GUnixFDList> fds;
    const CorvoGlibPtr<GVariant> reply =
        Call(kPortalPath, kScreenCast, "OpenPipeWireRemote",
             g_variant_new("(oa{sv})", m_sessionPath.c_str(), &options), "(h)", kAnswerLimit, &fds,
             error);
    if (reply == nullptr) {
        return false;
    }
    gint32 index = -1;
    g_variant_get(reply.get(), "(h)", &index);
    GError* rawError = nullptr;
    // The list keeps its own descriptor; we hold a duplicate.
    const int fd = fds != nullptr ? g_unix_fd_list_get(fds.get(), index, &rawError) : -1;
    const CorvoGlibPtr<GError> failure(rawError);
    if (fd < 0) {
        *error = "the desktop portal sent no PipeWire remote: " + ErrorText(failure.get());
        return false;
    }
    m_pipeWire.Reset(fd);
    return true;
}

bool CCorvoPortalSession::IsClosed() {
    if (m_connection == nullptr) {
        return true;
    }
    m_loop.Poll();
    return m_closed->load() || g_dbus_connection_is_closed(m_connection.get());
}

void CCorvoPortalSession::Close() {
    m_pipeWire.Reset();
    if (m_connection != nullptr) {
        if (!m_sessionPath.empty() && !m_closed->load()) {
            g_dbus_connection_call(m_connection.get(), kPortalName, m_sessionPath.c_str(),
                                   kSessionInterface, "Close", nullptr, nullptr,
                                   G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr, nullptr);
        }
        if (m_closedSubscription != 0) {
            g_dbus_connection_signal_unsubscribe(m_connection.get(), m_closedSubscription);
            m_closedSubscription = 0;
        }
        // The Close call leaves before the connection goes.
        g_dbus_connection_flush_sync(m_connection.get(), nullptr, nullptr);
        g_dbus_connection_close_sync(m_connection.get(), nullptr, nullptr);
        m_connection.reset();
    }
    // What the context still holds for the old connection is let go here.
    m_loop.Poll();
    m_sessionPath.clear();
    m_node = 0;
    m_announced = {};
}
