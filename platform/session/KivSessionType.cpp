#include "KivSessionType.h"

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

KivSessionVariables KivSessionVariables::FromProcess() {
    return {Variable("KIV_PLATFORM"), Variable("XDG_SESSION_TYPE"), Variable("WAYLAND_DISPLAY"),
            Variable("DISPLAY")};
}

KivSessionChoice KivChooseSession(const KivSessionVariables& variables) {
    const std::string forced = Normalised(variables.kivPlatform);
    if (forced == "xcb" || forced == "x11") {
        return {KivSessionType::X11, true};
    }
    if (forced == "wayland") {
        return {KivSessionType::Wayland, true};
    }
    const std::string type = Normalised(variables.sessionType);
    const bool onlyWayland = !variables.waylandDisplay.empty() && variables.x11Display.empty();
    const bool wayland = type == "wayland" || (type != "x11" && onlyWayland);
    return {wayland ? KivSessionType::Wayland : KivSessionType::X11, false};
}
