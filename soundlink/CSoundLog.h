#pragma once

#include <cstdint>

// The session's error log: each line is printed and appended to
// "TarnLog.txt" in the working directory (the data root).
class CSoundLog {
public:
    static constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);
    static constexpr const char* kFileName = "TarnLog.txt";

    // "[Error]HRESULT Failed! hr = %08x,<unit,step>"
    static void Failed(std::int32_t hr, const char* unit, int step);
    // "[Error]message! hr = %08x,<unit,step>"
    static void Failed(const char* message, std::int32_t hr, const char* unit, int step);
    // "[Info]message,<unit>": what the session obtained, for whoever reads
    // the log after a poor call.
    static void Note(const char* message, const char* unit);

private:
    static void Write(const char* line);
};
