#include "CCorvoPortalRequest.h"

CCorvoPortalRequest::CCorvoPortalRequest(GDBusConnection* connection, const std::string& token)
    : m_connection(connection),
      m_token(token),
      m_path(PathFor(g_dbus_connection_get_unique_name(connection), token)),
      m_answer(std::make_shared<Answer>()) {
    Subscribe();
}

CCorvoPortalRequest::~CCorvoPortalRequest() {
    Unsubscribe();
}

std::string CCorvoPortalRequest::PathFor(const std::string& uniqueName, const std::string& token) {
    std::string sender = uniqueName.substr(!uniqueName.empty() && uniqueName[0] == ':' ? 1 : 0);
    for (char& c : sender) {
        if (c == '.') {
            c = '_';
        }
    }
    return "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
}

void CCorvoPortalRequest::Follow(const std::string& path) {
    if (path == m_path || m_answer->answered) {
        return;
    }
    Unsubscribe();
    m_path = path;
    Subscribe();
}

void CCorvoPortalRequest::Subscribe() {
    auto* shared = new std::shared_ptr<Answer>(m_answer);
    m_subscription = g_dbus_connection_signal_subscribe(
        m_connection, "org.freedesktop.portal.Desktop", "org.freedesktop.portal.Request",
        "Response", m_path.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
           GVariant* parameters, gpointer data) {
            Answer& answer = **static_cast<std::shared_ptr<Answer>*>(data);
            if (answer.answered || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})"))) {
                return;
            }
            GVariant* results = nullptr;
            g_variant_get(parameters, "(u@a{sv})", &answer.code, &results);
            answer.results.reset(results);
            answer.answered = true;
        },
        shared, [](gpointer data) { delete static_cast<std::shared_ptr<Answer>*>(data); });
}

void CCorvoPortalRequest::Unsubscribe() {
    if (m_subscription != 0) {
        g_dbus_connection_signal_unsubscribe(m_connection, m_subscription);
        m_subscription = 0;
    }
}
