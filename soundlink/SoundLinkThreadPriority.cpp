#include "SoundLinkThreadPriority.h"

#include <array>
#include <atomic>

#include "CSoundLog.h"

namespace {

constexpr const char* kUnit = "SoundLinkPriority";
// The name libpulse gives the thread of its threaded main loop.
constexpr const char* kSoundServerThread = "threaded-ml";
constexpr int kKinds = static_cast<int>(SoundLinkThreadKind::Count);

constexpr std::array<const char*, kKinds> kNames = {
    "Sound capture thread", "Sound playback thread", "Sound receive thread",
    "Sound server thread",  "Video capture thread",  "Video playback thread",
    "Video receive thread", "Screen capture thread"};

bool IsSound(SoundLinkThreadKind kind) {
    return kind == SoundLinkThreadKind::SoundCapture ||
           kind == SoundLinkThreadKind::SoundPlayback ||
           kind == SoundLinkThreadKind::SoundReceive || kind == SoundLinkThreadKind::SoundServer;
}

void LogOnce(SoundLinkThreadKind kind, const SoundLinkPriorityResult& result) {
    static std::array<std::atomic<bool>, kKinds> logged{};
    const int index = static_cast<int>(kind);
    if (logged[index].exchange(true)) {
        return;
    }
    const std::string line = std::string(kNames[index]) + ": " + result.how;
    if (result.obtained == SoundLinkPriority::Unchanged ||
        result.obtained == SoundLinkPriority::NoThread) {
        CSoundLog::Failed(line.c_str(), CSoundLog::kFail, kUnit, index);
    } else {
        CSoundLog::Note(line.c_str(), kUnit);
    }
}

}  // namespace

SoundLinkPriorityResult SoundLinkPrioritize(long threadId, SoundLinkThreadKind kind) {
    const SoundLinkPriorityResult result =
        IsSound(kind) ? SoundLinkRaiseForSound(threadId) : SoundLinkLowerForVideo(threadId);
    LogOnce(kind, result);
    return result;
}

void SoundLinkPrioritizeThisThreadOnce(SoundLinkThreadKind kind) {
    thread_local bool done = false;
    if (!done) {
        done = true;
        SoundLinkPrioritize(SoundLinkThreadId(), kind);
    }
}

void SoundLinkRaiseSoundServerThreads() {
    for (const long threadId : SoundLinkThreadsNamed(kSoundServerThread)) {
        if (!SoundLinkIsRealtime(threadId)) {
            SoundLinkPrioritize(threadId, SoundLinkThreadKind::SoundServer);
        }
    }
}
