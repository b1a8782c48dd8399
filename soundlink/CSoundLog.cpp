#include "CSoundLog.h"

#include <cstdio>
#include <mutex>

namespace {

constexpr int kLineChars = 512;

std::mutex& LogLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

void CSoundLog::Failed(std::int32_t hr, const char* unit, int step) {
    char line[kLineChars];
    std::snprintf(line, sizeof(line), "[Error]HRESULT Failed! hr = %08x,<%s,%d>\n",
                  static_cast<unsigned>(hr), unit, step);
    Write(line);
}

void CSoundLog::Failed(const char* message, std::int32_t hr, const char* unit, int step) {
    char line[kLineChars];
    std::snprintf(line, sizeof(line), "[Error]%s! hr = %08x,<%s,%d>\n", message,
                  static_cast<unsigned>(hr), unit, step);
    Write(line);
}

void CSoundLog::Note(const char* message, const char* unit) {
    char line[kLineChars];
    std::snprintf(line, sizeof(line), "[Info]%s,<%s>\n", message, unit);
    Write(line);
}

void CSoundLog::Write(const char* line) {
    std::lock_guard<std::mutex> guard(LogLock());
    std::fputs(line, stdout);
    std::fflush(stdout);
    if (std::FILE* file = std::fopen(kFileName, "a")) {
        std::fputs(line, file);
        std::fclose(file);
    }
}
