#include "CorvoScreenBackend.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Trimmed and in lower case: "Wayland " names the same session type.
std::string Normalised(const std::string& text) {
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto begin = std::find_if_not(text.begin(), text.end(), isSpace);
    const auto end = std::find_if_not(text.rbegin(), text.rend(), isSpace).base();
    std::string result = begin < end ? std::string(begin, end) : std::string();
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

}  // namespace

CorvoSessionEnvironment CorvoSessionEnvironment::FromProcess() {
    return {Variable("KIV_PLATFORM"), Variable("XDG_SESSION_TYPE"), Variable("WAYLAND_DISPLAY"),
            Variable("DISPLAY")};
}

CorvoScreenBackend CorvoChooseScreenBackend(const CorvoSessionEnvironment& environment) {
    const std::string forced = Normalised(environment.kivPlatform);
    if (forced == "xcb" || forced == "x11") {
        return CorvoScreenBackend::X11;
    }
    if (forced == "wayland") {
        return CorvoScreenBackend::Portal;
    }
    const bool waylandSession = Normalised(environment.sessionType) == "wayland";
    const bool onlyWayland = !environment.waylandDisplay.empty() && environment.x11Display.empty();
    return waylandSession || onlyWayland ? CorvoScreenBackend::Portal : CorvoScreenBackend::X11;
}
