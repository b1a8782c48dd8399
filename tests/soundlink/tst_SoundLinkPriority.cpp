#include <gst/gst.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include "CFakeRtKit.h"
#include "CRtKit.h"
#include "KivTestRegistry.h"
#include "SoundLinkPriority.h"
#include "SoundLinkStreamPriority.h"

namespace {

struct Scheduling {
    bool realtime = false;
    int nice = 0;
};

Scheduling SchedulingOf(long threadId) {
    Scheduling seen;
    seen.realtime = SoundLinkIsRealtime(threadId);
    errno = 0;
    seen.nice = getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
    return seen;
}

// A thread that waits until it is let go, so its id stays its own meanwhile.
class CParkedThread {
public:
    CParkedThread() {
        m_thread = std::thread([this] {
            std::unique_lock<std::mutex> lock(m_lock);
            m_threadId = SoundLinkThreadId();
            m_wake.notify_all();
            m_wake.wait(lock, [this] { return m_go; });
            if (m_task) {
                m_task();
            }
        });
        std::unique_lock<std::mutex> lock(m_lock);
        m_wake.wait(lock, [this] { return m_threadId != 0; });
    }
    ~CParkedThread() { Run({}); }
    long Id() const { return m_threadId; }
    // Lets the thread go, running task on it first.
    void Run(std::function<void()> task) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_go) {
                return;
            }
            m_task = std::move(task);
            m_go = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

private:
    long m_threadId = 0;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_go = false;
    std::function<void()> m_task;
    std::thread m_thread;
};

// The streaming thread's scheduling at its first buffer, handed over in ways
// the thread checker sees: GStreamer's pooled streaming threads may be older
// than the record, which is published through an atomic (GStreamer's own
// hand-over is hidden from the checker, as is a future's wait).
struct SeenScheduling {
    std::mutex lock;
    std::condition_variable arrived;
    bool seen = false;
    Scheduling scheduling;
};
std::atomic<SeenScheduling*> g_seen{nullptr};

GstPadProbeReturn RecordScheduling(GstPad*, GstPadProbeInfo*, gpointer) {
    SeenScheduling* seen = g_seen.load(std::memory_order_acquire);
    const Scheduling scheduling = SchedulingOf(SoundLinkThreadId());
    std::lock_guard<std::mutex> guard(seen->lock);
    if (!seen->seen) {
        seen->scheduling = scheduling;
        seen->seen = true;
    }
    // Under the lock, so the record outlives the call.
    seen->arrived.notify_all();
    return GST_PAD_PROBE_REMOVE;
}

}  // namespace

class tst_SoundLinkPriority : public QObject {
    Q_OBJECT

private slots:
    void raisedSoundThreadRunsAhead() {
        CParkedThread sound;
        const Scheduling before = SchedulingOf(sound.Id());
        const SoundLinkPriorityResult result = SoundLinkRaiseForSound(sound.Id());
        const Scheduling after = SchedulingOf(sound.Id());
        QVERIFY2(result.obtained == SoundLinkPriority::Realtime ||
                     result.obtained == SoundLinkPriority::HighNice,
                 result.how.c_str());
        if (result.obtained == SoundLinkPriority::Realtime) {
            QVERIFY(after.realtime);
            // What the sound thread starts runs as an ordinary thread.
            bool childRealtime = true;
            sound.Run([&childRealtime] {
                std::thread([&childRealtime] {
                    childRealtime = SoundLinkIsRealtime(SoundLinkThreadId());
                }).join();
            });
            QVERIFY(!childRealtime);
        } else {
            QVERIFY(after.nice < before.nice);
        }
    }

    void loweredVideoThreadGivesWay() {
        CParkedThread video;
        const Scheduling before = SchedulingOf(video.Id());
        const SoundLinkPriorityResult result = SoundLinkLowerForVideo(video.Id());
        const Scheduling after = SchedulingOf(video.Id());
        QCOMPARE(int(result.obtained), int(SoundLinkPriority::Lowered));
        QVERIFY(after.nice > before.nice);
        QVERIFY(!after.realtime);
    }

    void threadsOutsideTheProcessAreLeftAlone_data() {
        QTest::addColumn<bool>("sound");
        QTest::newRow("raise") << true;
        QTest::newRow("lower") << false;
    }
    void threadsOutsideTheProcessAreLeftAlone() {
        QFETCH(bool, sound);
        long pidMax = 0;
        std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
        QVERIFY(pidMax > 0);
        // Another process's thread (root could change it), one that is gone
        // and ids no thread can have.
        QProcess other;
        other.start("sleep", {"30"});
        QVERIFY(other.waitForStarted());
        const long otherId = static_cast<long>(other.processId());
        const Scheduling otherBefore = SchedulingOf(otherId);
        long ended = 0;
        std::thread([&ended] { ended = SoundLinkThreadId(); }).join();
        for (const long threadId : {otherId, ended, pidMax + 1, 0L, -1L}) {
            const SoundLinkPriorityResult result =
                sound ? SoundLinkRaiseForSound(threadId) : SoundLinkLowerForVideo(threadId);
            QCOMPARE(int(result.obtained), int(SoundLinkPriority::NoThread));
        }
        const Scheduling otherAfter = SchedulingOf(otherId);
        QCOMPARE(otherAfter.realtime, otherBefore.realtime);
        QCOMPARE(otherAfter.nice, otherBefore.nice);
        other.kill();
        other.waitForFinished();
    }

    // Every streaming thread a watched pipeline starts has its kind's
    // priority before its first buffer, also in a pipeline built again.
    void streamingThreadsEnterWithTheirPriority_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("sound") << int(SoundLinkThreadKind::SoundPlayback);
        QTest::newRow("video") << int(SoundLinkThreadKind::VideoCapture);
    }
    void streamingThreadsEnterWithTheirPriority() {
        QFETCH(int, kind);
        gst_init(nullptr, nullptr);
        const int ownNice = SchedulingOf(SoundLinkThreadId()).nice;
        for (int run = 0; run < 2; ++run) {
            GstElement* pipeline =
                gst_parse_launch("audiotestsrc num-buffers=3 ! fakesink name=out", nullptr);
            QVERIFY(pipeline != nullptr);
            SoundLinkPrioritizeStreams(pipeline, static_cast<SoundLinkThreadKind>(kind));
            GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
            GstPad* pad = gst_element_get_static_pad(out, "sink");
            SeenScheduling seen;
            g_seen.store(&seen, std::memory_order_release);
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &RecordScheduling, nullptr, nullptr);
            gst_object_unref(pad);
            gst_object_unref(out);
            gst_element_set_state(pipeline, GST_STATE_PLAYING);
            bool arrived = false;
            {
                std::unique_lock<std::mutex> guard(seen.lock);
                arrived = seen.arrived.wait_for(guard, std::chrono::seconds(20),
                                                [&seen] { return seen.seen; });
            }
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
            QVERIFY(arrived);
            const Scheduling streaming = seen.scheduling;
            if (kind == int(SoundLinkThreadKind::SoundPlayback)) {
                QVERIFY(streaming.realtime || streaming.nice < ownNice);
            } else {
                QVERIFY(!streaming.realtime);
                QVERIFY(streaming.nice > ownNice);
            }
        }
    }

    // The broker is asked for no more than it allows, and only once the
    // process's real-time CPU time is capped within its limit.
    void rtkitIsAskedWithinItsLimits() {
        CFakeRtKit::Limits limits;
        limits.maxRealtimePriority = 3;
        limits.minNiceLevel = -8;
        limits.rtTimeUsecMax = 150000;
        CFakeRtKit fake(limits);
        if (fake.Address().empty()) {
            QSKIP("no private bus could be started (dbus-daemon)");
        }
        CRtKit rtkit(fake.Address());
        CRtKit::Limits read;
        std::string error;
        QVERIFY2(rtkit.ReadLimits(&read, &error), error.c_str());
        QCOMPARE(read.maxRealtimePriority, 3);
        QCOMPARE(read.minNiceLevel, -8);
        QCOMPARE(read.rtTimeUsecMax, 150000LL);

        const long threadId = SoundLinkThreadId();
        QCOMPARE(rtkit.MakeRealtime(threadId, 4, read, &error), 3);
        QCOMPARE(fake.realtimeThread.load(), static_cast<long long>(threadId));
        QCOMPARE(fake.realtimePriority.load(), 3);
        QVERIFY(fake.rtTimeSeen.load() > 0 && fake.rtTimeSeen.load() <= 150000);

        int nice = 0;
        QVERIFY2(rtkit.MakeHighPriority(threadId, -11, read, &nice, &error), error.c_str());
        QCOMPARE(nice, -8);
        QCOMPARE(fake.highNice.load(), -8);

        // A broker that allows no real time is not asked for it.
        CRtKit::Limits none = read;
        none.maxRealtimePriority = 0;
        fake.realtimeThread = 0;
        QCOMPARE(rtkit.MakeRealtime(threadId, 4, none, &error), 0);
        QCOMPARE(fake.realtimeThread.load(), 0LL);
    }

    void rtkitWithoutBusFailsCleanly() {
        CRtKit rtkit("unix:path=/nonexistent/kiv-no-bus");
        CRtKit::Limits limits;
        std::string error;
        QVERIFY(!rtkit.ReadLimits(&limits, &error));
        QVERIFY(!error.empty());
        limits.maxRealtimePriority = 20;
        limits.rtTimeUsecMax = 200000;
        QCOMPARE(rtkit.MakeRealtime(SoundLinkThreadId(), 4, limits, &error), 0);
    }
};

KIV_TEST_CLASS(tst_SoundLinkPriority)
#include "tst_SoundLinkPriority.moc"
