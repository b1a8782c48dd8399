#pragma once

#include <string>
#include <vector>

// How far a thread's scheduling was changed.
enum class SoundLinkPriority {
    Realtime,   // a real-time policy
    HighNice,   // a nice level below the normal one
    Lowered,    // a nice level above the normal one (video)
    Unchanged,  // nothing was permitted
    NoThread,   // the id names no thread of this process
};

struct SoundLinkPriorityResult {
    SoundLinkPriority obtained = SoundLinkPriority::Unchanged;
    // What was obtained, or why nothing was, for the log.
    std::string how;
};

// The kernel's id of the calling thread.
long SoundLinkThreadId();
// Puts a thread of this process ahead of everything but the sound server, so
// a busy machine does not starve it: real-time through rtkit, else a high
// nice level through rtkit, else real-time or a high nice level directly
// where the process may set them.
SoundLinkPriorityResult SoundLinkRaiseForSound(long threadId);
// Puts a thread of this process behind the sound threads and ordinary
// programs; never real-time.
SoundLinkPriorityResult SoundLinkLowerForVideo(long threadId);
// The threads of this process with that name (15 characters at most).
std::vector<long> SoundLinkThreadsNamed(const std::string& name);
// Whether the thread already runs with a real-time policy.
bool SoundLinkIsRealtime(long threadId);

// A thread's scheduling, to put back when a pooled thread leaves our work.
struct SoundLinkSchedule {
    bool known = false;
    bool realtime = false;
    int nice = 0;
};
SoundLinkSchedule SoundLinkScheduleOf(long threadId);
// Puts a thread of this process back as far as the process may: out of real
// time, and to its nice level.
void SoundLinkRestore(long threadId, const SoundLinkSchedule& schedule);
