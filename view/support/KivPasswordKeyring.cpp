#include "support/KivPasswordKeyring.h"

#include <libsecret/secret.h>

#include <memory>

#include "KivLog.h"

namespace {

constexpr gint kBusCallTimeoutMs = 2000;

const SecretSchema* Schema() {
    static const SecretSchema schema = [] {
        SecretSchema made{};
        made.name = "org.kivim.Password";
        made.flags = SECRET_SCHEMA_NONE;
        made.attributes[0] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return made;
    }();
    return &schema;
}

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, ErrorFree>;

void Log(const char* what, GError* error) {
    qCWarning(lcKivView) << "keyring:" << what << (error != nullptr ? error->message : "");
}

}  // namespace

bool KivPasswordKeyring::Available() {
    // Asked of the bus itself: a call to the service would start one.
    GError* raw = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw);
    Error error(raw);
    if (bus == nullptr)
        return false;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", "org.freedesktop.secrets"), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kBusCallTimeoutMs, nullptr, &raw);
    error.reset(raw);
    g_object_unref(bus);
    if (reply == nullptr)
        return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned == TRUE;
}

bool KivPasswordKeyring::Store(const QString& account, const QString& password) {
    if (!Available())
        return false;
    const QByteArray name = account.toUtf8();
    const QByteArray label = QStringLiteral("Lumo password of %1").arg(account).toUtf8();
    QByteArray secret = password.toUtf8();
    GError* raw = nullptr;
    const gboolean stored = secret_password_store_sync(
        Schema(), SECRET_COLLECTION_DEFAULT, label.constData(), secret.constData(), nullptr, &raw,
        "account", name.constData(), static_cast<char*>(nullptr));
    secret.fill('\0');
    Error error(raw);
    if (!stored)
        Log("cannot store the password", error.get());
    return stored == TRUE;
}

QString KivPasswordKeyring::Lookup(const QString& account) {
    if (!Available())
        return QString();
    const QByteArray name = account.toUtf8();
    GError* raw = nullptr;
    gchar* secret = secret_password_lookup_sync(Schema(), nullptr, &raw, "account",
                                                name.constData(), static_cast<char*>(nullptr));
    Error error(raw);
    if (secret == nullptr) {
        if (error)
            Log("cannot read the password", error.get());
        return QString();
    }
    const QString password = QString::fromUtf8(secret);
    secret_password_free(secret);
    return password;
}

bool KivPasswordKeyring::Forget(const QString& account) {
    if (!Available())
        return false;
    const QByteArray name = account.toUtf8();
    GError* raw = nullptr;
    secret_password_clear_sync(Schema(), nullptr, &raw, "account", name.constData(),
                               static_cast<char*>(nullptr));
    Error error(raw);
    if (error)
        Log("cannot remove the password", error.get());
    return !error;
}
