#include "KivAvLog.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace {

struct LogState {
    std::mutex lock;
    std::chrono::steady_clock::time_point last{};
    bool wrote = false;
    long long leftOut = 0;
    int prefix = 1;
};

LogState& State() {
    static LogState* state = new LogState;  // outlives every codec thread
    return *state;
}

void Callback(void* object, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_WARNING) {
        return;
    }
    LogState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    char line[512];
    va_list copy;
    va_copy(copy, arguments);
    av_log_format_line2(object, level, format, copy, line, sizeof(line), &state.prefix);
    va_end(copy);
    const auto now = std::chrono::steady_clock::now();
    if (state.wrote && now - state.last < std::chrono::milliseconds(KivAvLogIntervalMs)) {
        ++state.leftOut;
        return;
    }
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    if (state.leftOut > 0) {
        text += " (" + std::to_string(state.leftOut) + " more left out)";
    }
    text += '\n';
    state.wrote = true;
    state.last = now;
    state.leftOut = 0;
    // A part of a line starts the next without the prefix; ours are whole.
    state.prefix = 1;
    std::fputs(text.c_str(), stderr);
}

}  // namespace

void KivAvLogQuiet() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(Callback); });
}
