#include "CRtKit.h"

#include <gio/gio.h>
#include <sys/resource.h>

#include <algorithm>

namespace {

constexpr const char* kService = "org.freedesktop.RealtimeKit1";
constexpr const char* kObject = "/org/freedesktop/RealtimeKit1";
constexpr const char* kInterface = "org.freedesktop.RealtimeKit1";
// The broker answers at once or not at all; a call must not hang a thread
// that is about to carry sound.
constexpr int kCallTimeoutMs = 2000;

struct ErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorOwner = std::unique_ptr<GError, ErrorDeleter>;

struct VariantDeleter {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using VariantOwner = std::unique_ptr<GVariant, VariantDeleter>;

struct TextDeleter {
    void operator()(gchar* text) const { g_free(text); }
};
using TextOwner = std::unique_ptr<gchar, TextDeleter>;

std::string Message(GError* error) {
    return error != nullptr && error->message != nullptr ? error->message : "unknown error";
}

// A connection of our own: the shared system connection of GIO ends the
// process when the bus goes away.
GDBusConnection* Connect(const std::string& address, std::string* error) {
    GError* raw = nullptr;
    TextOwner busAddress(address.empty()
                             ? g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, &raw)
                             : g_strdup(address.c_str()));
    ErrorOwner addressError(raw);
    if (!busAddress) {
        *error = Message(addressError.get());
        return nullptr;
    }
    raw = nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        busAddress.get(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &raw);
    ErrorOwner connectError(raw);
    if (connection == nullptr) {
        *error = Message(connectError.get());
    }
    return connection;
}

}  // namespace

void CRtKit::ConnectionDeleter::operator()(GDBusConnection* connection) const {
    g_object_unref(connection);
}

CRtKit::CRtKit(const std::string& address) : m_bus(Connect(address, &m_connectError)) {}

CRtKit::~CRtKit() = default;

bool CRtKit::Property(const char* name, long long* value, std::string* error) {
    GError* raw = nullptr;
    VariantOwner reply(g_dbus_connection_call_sync(
        m_bus.get(), kService, kObject, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kInterface, name), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
        kCallTimeoutMs, nullptr, &raw));
    ErrorOwner callError(raw);
    if (!reply) {
        *error = Message(callError.get());
        return false;
    }
    GVariant* boxed = nullptr;
    g_variant_get(reply.get(), "(v)", &boxed);
    VariantOwner inner(boxed);
    if (g_variant_is_of_type(inner.get(), G_VARIANT_TYPE_INT32)) {
        *value = g_variant_get_int32(inner.get());
    } else if (g_variant_is_of_type(inner.get(), G_VARIANT_TYPE_INT64)) {
        *value = g_variant_get_int64(inner.get());
    } else {
        *error = std::string("rtkit's ") + name + " has an unexpected type";
        return false;
    }
    return true;
}

bool CRtKit::ReadLimits(Limits* limits, std::string* error) {
    if (!m_bus) {
        *error = "no system bus: " + m_connectError;
        return false;
    }
    long long priority = 0;
    long long nice = 0;
    long long rtTime = 0;
    if (!Property("MaxRealtimePriority", &priority, error) ||
        !Property("MinNiceLevel", &nice, error) || !Property("RTTimeUSecMax", &rtTime, error)) {
        return false;
    }
    limits->maxRealtimePriority = static_cast<int>(priority);
    limits->minNiceLevel = static_cast<int>(nice);
    limits->rtTimeUsecMax = rtTime;
    return true;
}

bool CRtKit::Call(const char* method, const char* signature, long threadId, int priority,
                  std::string* error) {
    if (!m_bus) {
        *error = "no system bus: " + m_connectError;
        return false;
    }
    GVariant* arguments =
        std::string(signature) == "(tu)"
            ? g_variant_new("(tu)", static_cast<guint64>(threadId), static_cast<guint32>(priority))
            : g_variant_new("(ti)", static_cast<guint64>(threadId), static_cast<gint32>(priority));
    GError* raw = nullptr;
    VariantOwner reply(g_dbus_connection_call_sync(
        m_bus.get(), kService, kObject, kInterface, method, arguments, nullptr,
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &raw));
    ErrorOwner callError(raw);
    if (!reply) {
        *error = Message(callError.get());
        return false;
    }
    return true;
}

int CRtKit::MakeRealtime(long threadId, int priority, const Limits& limits, std::string* error) {
    const int wanted = std::min(priority, limits.maxRealtimePriority);
    if (wanted < 1 || limits.rtTimeUsecMax <= 0) {
        *error = "rtkit allows no real-time priority";
        return 0;
    }
    // rtkit hands out real time only to a process that a runaway thread
    // cannot take the machine from: one whose real-time CPU time is capped.
    rlimit rtTime{};
    if (getrlimit(RLIMIT_RTTIME, &rtTime) != 0) {
        *error = "the real-time CPU limit cannot be read";
        return 0;
    }
    const rlim_t cap = static_cast<rlim_t>(limits.rtTimeUsecMax);
    if (rtTime.rlim_max == RLIM_INFINITY || rtTime.rlim_max > cap) {
        rtTime.rlim_max = cap;
    }
    rtTime.rlim_cur = rtTime.rlim_max;
    if (setrlimit(RLIMIT_RTTIME, &rtTime) != 0) {
        *error = "the real-time CPU limit cannot be set";
        return 0;
    }
    return Call("MakeThreadRealtime", "(tu)", threadId, wanted, error) ? wanted : 0;
}

bool CRtKit::MakeHighPriority(long threadId, int nice, const Limits& limits, int* obtained,
                              std::string* error) {
    const int wanted = std::max(nice, limits.minNiceLevel);
    if (!Call("MakeThreadHighPriority", "(ti)", threadId, wanted, error)) {
        return false;
    }
    *obtained = wanted;
    return true;
}
