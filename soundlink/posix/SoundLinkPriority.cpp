#include "SoundLinkPriority.h"

#include <dirent.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "CRtKit.h"

namespace {

// Below the sound server's own threads (PulseAudio asks for 5, PipeWire's
// pulse server for more): our threads wait on the server, and starving it
// would cost the very sound they carry. Above every ordinary program.
constexpr int kSoundRealtime = 4;
// Where no real time is given: ahead of ordinary programs (0) and of what a
// desktop raises by a little, above rtkit's usual floor of -15.
constexpr int kSoundNice = -11;
constexpr int kVideoNice = 5;
// A sound thread that computes this long without sleeping has run away; the
// cap keeps it from freezing the machine (rtkit asks for the same).
constexpr rlim_t kOwnRtTimeUs = 200000;

struct Broker {
    CRtKit rtkit;
    bool ready = false;
    CRtKit::Limits limits;
    std::string error;
};

// The broker is asked for its limits once: a process either has it or not.
Broker& TheBroker() {
    static const std::unique_ptr<Broker> broker = [] {
        auto made = std::make_unique<Broker>();
        made->ready = made->rtkit.ReadLimits(&made->limits, &made->error);
        return made;
    }();
    return *broker;
}

std::string TaskPath(long threadId) {
    return "/proc/self/task/" + std::to_string(threadId);
}

// Root may change any process's threads: the id must be one of ours.
bool OwnThread(long threadId) {
    return threadId > 0 && access(TaskPath(threadId).c_str(), F_OK) == 0;
}

SoundLinkPriorityResult NoThread(long threadId) {
    return {SoundLinkPriority::NoThread,
            "thread " + std::to_string(threadId) + " is not one of this process"};
}

void CapRealtimeCpu() {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) == 0 &&
        (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > kOwnRtTimeUs)) {
        limit.rlim_cur = limit.rlim_max = kOwnRtTimeUs;
        setrlimit(RLIMIT_RTTIME, &limit);
    }
}

bool SetRoundRobin(long threadId, int priority) {
    sched_param parameters{};
    parameters.sched_priority = priority;
    // Threads the sound thread starts begin as ordinary ones.
    return sched_setscheduler(static_cast<pid_t>(threadId), SCHED_RR | SCHED_RESET_ON_FORK,
                              &parameters) == 0;
}

// Real time set directly, as root or within RLIMIT_RTPRIO; the priority, 0 for none.
int DirectRealtime(long threadId, std::string* error) {
    CapRealtimeCpu();
    const int wanted = std::min(kSoundRealtime, sched_get_priority_max(SCHED_RR));
    if (SetRoundRobin(threadId, wanted)) {
        return wanted;
    }
    *error = std::strerror(errno);
    rlimit allowed{};
    if (getrlimit(RLIMIT_RTPRIO, &allowed) == 0 && allowed.rlim_cur >= 1 &&
        allowed.rlim_cur < static_cast<rlim_t>(wanted) &&
        SetRoundRobin(threadId, static_cast<int>(allowed.rlim_cur))) {
        return static_cast<int>(allowed.rlim_cur);
    }
    return 0;
}

// A lower nice level set directly: -11, else the lowest RLIMIT_NICE allows.
bool DirectNice(long threadId, int* obtained, std::string* error) {
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
    if (errno != 0) {
        *error = std::strerror(errno);
        return false;
    }
    if (current <= kSoundNice) {
        *obtained = current;
        return true;
    }
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), kSoundNice) == 0) {
        *obtained = kSoundNice;
        return true;
    }
    *error = std::strerror(errno);
    rlimit allowed{};
    if (getrlimit(RLIMIT_NICE, &allowed) != 0) {
        return false;
    }
    const int floor = 20 - static_cast<int>(std::min<rlim_t>(allowed.rlim_cur, 40));
    if (floor < current && floor > kSoundNice &&
        setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), floor) == 0) {
        *obtained = floor;
        return true;
    }
    return false;
}

}  // namespace

long SoundLinkThreadId() {
    return static_cast<long>(syscall(SYS_gettid));
}

bool SoundLinkIsRealtime(long threadId) {
    const int policy = sched_getscheduler(static_cast<pid_t>(threadId));
    if (policy < 0) {
        return false;
    }
    const int plain = policy & ~SCHED_RESET_ON_FORK;
    return plain == SCHED_RR || plain == SCHED_FIFO;
}

SoundLinkSchedule SoundLinkScheduleOf(long threadId) {
    SoundLinkSchedule schedule;
    if (!OwnThread(threadId)) {
        return schedule;
    }
    errno = 0;
    schedule.nice = getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
    schedule.known = errno == 0;
    schedule.realtime = SoundLinkIsRealtime(threadId);
    return schedule;
}

void SoundLinkRestore(long threadId, const SoundLinkSchedule& schedule) {
    if (!schedule.known || !OwnThread(threadId)) {
        return;
    }
    const auto id = static_cast<pid_t>(threadId);
    if (!schedule.realtime && SoundLinkIsRealtime(threadId)) {
        sched_param parameters{};
        if (sched_setscheduler(id, SCHED_OTHER, &parameters) != 0) {
            sched_setscheduler(id, SCHED_OTHER | SCHED_RESET_ON_FORK, &parameters);
        }
    }
    // A nice level lowered for video comes back only where the process may.
    setpriority(PRIO_PROCESS, static_cast<id_t>(id), schedule.nice);
}

SoundLinkPriorityResult SoundLinkRaiseForSound(long threadId) {
    if (!OwnThread(threadId)) {
        return NoThread(threadId);
    }
    std::string why;
    Broker& broker = TheBroker();
    if (broker.ready) {
        const int priority =
            broker.rtkit.MakeRealtime(threadId, kSoundRealtime, broker.limits, &why);
        if (priority > 0) {
            return {SoundLinkPriority::Realtime,
                    "real-time (round robin " + std::to_string(priority) + ") through rtkit"};
        }
        int nice = 0;
        if (broker.rtkit.MakeHighPriority(threadId, kSoundNice, broker.limits, &nice, &why)) {
            return {SoundLinkPriority::HighNice,
                    "nice " + std::to_string(nice) + " through rtkit (no real time: " + why + ")"};
        }
    } else {
        why = broker.error;
    }
    std::string direct;
    const int priority = DirectRealtime(threadId, &direct);
    if (priority > 0) {
        return {SoundLinkPriority::Realtime,
                "real-time (round robin " + std::to_string(priority) + ")"};
    }
    int nice = 0;
    if (DirectNice(threadId, &nice, &direct)) {
        return {SoundLinkPriority::HighNice, "nice " + std::to_string(nice) + " (rtkit: " + why +
                                                 "; real time: " + direct + ")"};
    }
    if (!OwnThread(threadId)) {
        return NoThread(threadId);
    }
    return {SoundLinkPriority::Unchanged,
            "left at its priority (rtkit: " + why + "; directly: " + direct + ")"};
}

SoundLinkPriorityResult SoundLinkLowerForVideo(long threadId) {
    if (!OwnThread(threadId)) {
        return NoThread(threadId);
    }
    const auto id = static_cast<pid_t>(threadId);
    if (SoundLinkIsRealtime(threadId)) {
        sched_param parameters{};
        sched_setscheduler(id, SCHED_OTHER, &parameters);
    }
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, static_cast<id_t>(id));
    if (errno != 0) {
        return OwnThread(threadId)
                   ? SoundLinkPriorityResult{SoundLinkPriority::Unchanged, std::strerror(errno)}
                   : NoThread(threadId);
    }
    // Below the process's own level, which a user may have lowered already.
    const int wanted = std::min(getpriority(PRIO_PROCESS, 0) + kVideoNice, 19);
    if (current >= wanted) {
        return {SoundLinkPriority::Lowered, "nice " + std::to_string(current)};
    }
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(id), wanted) != 0) {
        return {SoundLinkPriority::Unchanged, std::strerror(errno)};
    }
    return {SoundLinkPriority::Lowered, "nice " + std::to_string(wanted)};
}

std::vector<long> SoundLinkThreadsNamed(const std::string& name) {
    std::vector<long> found;
    std::unique_ptr<DIR, int (*)(DIR*)> tasks(opendir("/proc/self/task"), &closedir);
    if (!tasks) {
        return found;
    }
    while (const dirent* entry = readdir(tasks.get())) {
        const long threadId = std::strtol(entry->d_name, nullptr, 10);
        if (threadId <= 0) {
            continue;
        }
        std::ifstream comm(TaskPath(threadId) + "/comm");
        std::string threadName;
        if (std::getline(comm, threadName) && threadName == name) {
            found.push_back(threadId);
        }
    }
    return found;
}
