#include "CFakeRtKit.h"

#include <gio/gio.h>
#include <sys/resource.h>

#include <future>

namespace {

constexpr const char* kName = "org.freedesktop.RealtimeKit1";
constexpr const char* kInterfaceXml =
    "<node><interface name='org.freedesktop.RealtimeKit1'>"
    "<method name='MakeThreadRealtime'><arg type='t' direction='in'/>"
    "<arg type='u' direction='in'/></method>"
    "<method name='MakeThreadHighPriority'><arg type='t' direction='in'/>"
    "<arg type='i' direction='in'/></method>"
    "<property name='MaxRealtimePriority' type='i' access='read'/>"
    "<property name='MinNiceLevel' type='i' access='read'/>"
    "<property name='RTTimeUSecMax' type='x' access='read'/>"
    "</interface></node>";

}  // namespace

struct CFakeRtKit::State {
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
};

CFakeRtKit::CFakeRtKit(const Limits& limits) : m_limits(limits), m_state(new State) {
    // The private bus must not become the session bus of the rest of the tests.
    const char* session = g_getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string sessionBus = session != nullptr ? session : "";
    m_bus = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(m_bus);
    if (session != nullptr) {
        g_setenv("DBUS_SESSION_BUS_ADDRESS", sessionBus.c_str(), TRUE);
    } else {
        g_unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    const gchar* address = g_test_dbus_get_bus_address(m_bus);
    if (address == nullptr) {
        return;
    }
    m_state->context = g_main_context_new();
    m_state->loop = g_main_loop_new(m_state->context, FALSE);
    std::promise<bool> serving;
    std::future<bool> ready = serving.get_future();
    m_loop = std::thread([this, &serving, bus = std::string(address)] {
        g_main_context_push_thread_default(m_state->context);
        GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
            bus.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterfaceXml, nullptr);
        GDBusInterfaceVTable table{};
        table.method_call = [](GDBusConnection*, const gchar*, const gchar*, const gchar*,
                               const gchar* method, GVariant* arguments,
                               GDBusMethodInvocation* invocation, gpointer data) {
            auto* fake = static_cast<CFakeRtKit*>(data);
            guint64 thread = 0;
            if (g_strcmp0(method, "MakeThreadRealtime") == 0) {
                guint32 priority = 0;
                g_variant_get(arguments, "(tu)", &thread, &priority);
                rlimit rtTime{};
                getrlimit(RLIMIT_RTTIME, &rtTime);
                fake->rtTimeSeen =
                    rtTime.rlim_max == RLIM_INFINITY ? -1 : static_cast<long long>(rtTime.rlim_max);
                if (fake->rtTimeSeen < 0 || fake->rtTimeSeen > fake->m_limits.rtTimeUsecMax ||
                    static_cast<int>(priority) > fake->m_limits.maxRealtimePriority) {
                    g_dbus_method_invocation_return_dbus_error(
                        invocation, "org.freedesktop.DBus.Error.AccessDenied",
                        "Operation not permitted");
                    return;
                }
                fake->realtimeThread = static_cast<long long>(thread);
                fake->realtimePriority = static_cast<int>(priority);
            } else {
                gint32 nice = 0;
                g_variant_get(arguments, "(ti)", &thread, &nice);
                fake->highThread = static_cast<long long>(thread);
                fake->highNice = nice;
            }
            g_dbus_method_invocation_return_value(invocation, nullptr);
        };
        table.get_property = [](GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                const gchar* property, GError**, gpointer data) -> GVariant* {
            const Limits& limits = static_cast<CFakeRtKit*>(data)->m_limits;
            if (g_strcmp0(property, "RTTimeUSecMax") == 0) {
                return g_variant_new_int64(limits.rtTimeUsecMax);
            }
            return g_variant_new_int32(g_strcmp0(property, "MinNiceLevel") == 0
                                           ? limits.minNiceLevel
                                           : limits.maxRealtimePriority);
        };
        const bool registered = connection != nullptr && node != nullptr &&
                                g_dbus_connection_register_object(
                                    connection, "/org/freedesktop/RealtimeKit1",
                                    node->interfaces[0], &table, this, nullptr, nullptr) != 0;
        GVariant* owned = registered ? g_dbus_connection_call_sync(
                                           connection, "org.freedesktop.DBus",
                                           "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                           "RequestName", g_variant_new("(su)", kName, 0u), nullptr,
                                           G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr)
                                     : nullptr;
        serving.set_value(owned != nullptr);
        if (owned != nullptr) {
            g_variant_unref(owned);
            g_main_loop_run(m_state->loop);
        }
        if (node != nullptr) {
            g_dbus_node_info_unref(node);
        }
        if (connection != nullptr) {
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
        g_main_context_pop_thread_default(m_state->context);
    });
    if (ready.get()) {
        m_address = address;
    }
}

CFakeRtKit::~CFakeRtKit() {
    if (m_loop.joinable()) {
        // Quit from inside the loop, so a quit before it runs is not lost.
        GSource* quit = g_idle_source_new();
        g_source_set_callback(
            quit,
            [](gpointer loop) {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            m_state->loop, nullptr);
        g_source_attach(quit, m_state->context);
        g_source_unref(quit);
        m_loop.join();
    }
    if (m_state->loop != nullptr) {
        g_main_loop_unref(m_state->loop);
        g_main_context_unref(m_state->context);
    }
    g_test_dbus_stop(m_bus);
    g_object_unref(m_bus);
}
