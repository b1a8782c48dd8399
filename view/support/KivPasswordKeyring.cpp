#include "support/KivPasswordKeyring.h"

#include <libsecret/secret.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <memory>

#include "KivLog.h"
#include "KivUserSettings.h"

namespace {

constexpr gint kBusCallTimeoutMs = 2000;
// A keyring started on demand may first read its files.
constexpr gint kStartTimeoutMs = 10000;
constexpr const char* kServiceName = "org.freedesktop.secrets";

const SecretSchema* Schema(KivPasswordKeyring::Item item) {
    const auto made = [](const char* name) {
        SecretSchema schema{};
        schema.name = name;
        schema.flags = SECRET_SCHEMA_NONE;
        schema.attributes[0] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return schema;
    };
    // A schema per use, so a lookup of one never finds the other's item.
    static const SecretSchema login = made("org.kivim.Password");
    static const SecretSchema proxy = made("org.kivim.ProxyPassword");
    return item == KivPasswordKeyring::Item::Proxy ? &proxy : &login;
}

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, ErrorFree>;

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Bus = std::unique_ptr<GDBusConnection, ObjectUnref>;

struct VariantUnref {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using Reply = std::unique_ptr<GVariant, VariantUnref>;

void Log(const char* what, GError* error) {
    qCWarning(lcKivView) << "keyring:" << what << (error != nullptr ? error->message : "");
}

// A call to the bus daemon itself, never to a service it would start.
Reply CallBus(GDBusConnection* bus, const char* method, GVariant* arguments, const char* replyType,
              gint timeoutMs) {
    GError* raw = nullptr;
    Reply reply(g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        arguments, G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs, nullptr,
        &raw));
    Error error(raw);
    return reply;
}

bool Owned(GDBusConnection* bus) {
    const Reply reply =
        CallBus(bus, "NameHasOwner", g_variant_new("(s)", kServiceName), "(b)", kBusCallTimeoutMs);
    if (!reply)
        return false;
    gboolean owned = FALSE;
    g_variant_get(reply.get(), "(b)", &owned);
    return owned == TRUE;
}

const char* MissKey(KivPasswordKeyring::Item item) {
    return item == KivPasswordKeyring::Item::Proxy ? "/NetSet/NoKeyringTold"
                                                   : "/KivPwd/NoKeyringTold";
}

}  // namespace

bool KivPasswordKeyring::Available() {
    GError* raw = nullptr;
    const Bus bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw));
    Error error(raw);
    if (!bus)
        return false;
    if (Owned(bus.get()))
        return true;
    // The bus starts a keyring that has a service file (gnome-keyring,
    // KeePassXC, ...); without one it answers at once that it cannot.
    const Reply started = CallBus(bus.get(), "StartServiceByName",
                                  g_variant_new("(su)", kServiceName, 0u), "(u)", kStartTimeoutMs);
    return started && Owned(bus.get());
}

bool KivPasswordKeyring::Store(const QString& account, const QString& password, Item item) {
    if (!Available())
        return false;
    const QByteArray name = account.toUtf8();
    const QString what = item == Item::Proxy ? QStringLiteral("Lumo proxy password of %1")
                                             : QStringLiteral("Lumo password of %1");
    const QByteArray label = what.arg(account).toUtf8();
    QByteArray secret = password.toUtf8();
    GError* raw = nullptr;
    const gboolean stored = secret_password_store_sync(
        Schema(item), SECRET_COLLECTION_DEFAULT, label.constData(), secret.constData(), nullptr,
        &raw, "account", name.constData(), static_cast<char*>(nullptr));
    secret.fill('\0');
    Error error(raw);
    if (!stored)
        Log("cannot store the password", error.get());
    return stored == TRUE;
}

QString KivPasswordKeyring::Lookup(const QString& account, Item item) {
    if (!Available())
        return QString();
    const QByteArray name = account.toUtf8();
    GError* raw = nullptr;
    gchar* secret = secret_password_lookup_sync(Schema(item), nullptr, &raw, "account",
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

bool KivPasswordKeyring::Forget(const QString& account, Item item) {
    if (!Available())
        return false;
    const QByteArray name = account.toUtf8();
    GError* raw = nullptr;
    secret_password_clear_sync(Schema(item), nullptr, &raw, "account", name.constData(),
                               static_cast<char*>(nullptr));
    Error error(raw);
    if (error)
        Log("cannot remove the password", error.get());
    return !error;
}

bool KivPasswordKeyring::FirstMiss(const QString& account, Item item) {
    QDir().mkpath(KivUserSettings::FolderFor(account));
    QSettings ini(KivUserSettings::FileFor(account), QSettings::IniFormat);
    const QString key = QString::fromLatin1(MissKey(item));
    if (ini.value(key).toInt() == 1)
        return false;
    ini.setValue(key, 1);
    return true;
}

QString KivPasswordKeyring::MissText(Item item) {
    return item == Item::Proxy ? QCoreApplication::translate(
                                     "KivPasswordKeyring",
                                     "没有可用的系统密钥环，代理密码只用于本次运行，不会被保存。")
                               : QCoreApplication::translate(
                                     "KivPasswordKeyring",
                                     "没有可用的系统密钥环，密码不会被记住，下次登录请重新输入。");
}
