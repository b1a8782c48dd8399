#include "SoundLinkAddress.h"

#include <QSettings>

namespace {

constexpr const char* kConfigFile = "Config/config.ini";
constexpr const char* kDefaultAddress = "127.0.0.1";
constexpr int kDefaultPort = 6800;

}  // namespace

bool SoundLinkParseIPv4(const std::string& text, std::uint32_t* ipv4) {
    std::uint32_t value = 0;
    int parts = 0;
    size_t at = 0;
    while (parts < 4) {
        int digits = 0;
        std::uint32_t part = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
            part = part * 10 + static_cast<std::uint32_t>(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || digits > 3 || part > 255) {
            return false;
        }
        value = (value << 8) | part;
        ++parts;
        if (parts < 4) {
            if (at >= text.size() || text[at] != '.') {
                return false;
            }
            ++at;
        }
    }
    if (at != text.size()) {
        return false;
    }
    *ipv4 = value;
    return true;
}

std::string SoundLinkNarrow(const std::wstring& text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (wchar_t c : text) {
        narrow.push_back(c >= 0 && c < 128 ? static_cast<char>(c) : '?');
    }
    return narrow;
}

SoundLinkMediaServer SoundLinkMediaServer::FromConfig() {
    QSettings config(QString::fromLatin1(kConfigFile), QSettings::IniFormat);
    const QString base =
        config.value(QStringLiteral("base/ipaddr"), QString::fromLatin1(kDefaultAddress))
            .toString();
    const QString address = config.value(QStringLiteral("media/ipaddr"), base).toString().trimmed();
    bool portValid = false;
    const int port = config.value(QStringLiteral("media/port"), kDefaultPort).toInt(&portValid);

    SoundLinkMediaServer server;
    server.port = static_cast<std::uint16_t>(port);
    server.valid = portValid && port > 0 && port <= 0xFFFF &&
                   SoundLinkParseIPv4(address.toStdString(), &server.ipv4);
    return server;
}
