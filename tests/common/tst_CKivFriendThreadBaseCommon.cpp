#include <QtTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "CKivFriendThreadBaseCommon.h"
#include "KivTestRegistry.h"

namespace {

// A worker whose runs block until the test opens the gate.
class GatedWorker : public CKivFriendThreadBaseCommon {
public:
    ~GatedWorker() override {
        open();
        End_Thread();
    }

    void open() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_open = true;
        m_changed.notify_all();
    }

    bool waitForRuns(int count, int timeoutMs = 5000) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_started >= count; });
    }

    int finished() const { return m_finished; }
    int started() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_started;
    }

protected:
    unsigned int Virtual_Thread_Proc() override {
        std::unique_lock<std::mutex> guard(m_lock);
        ++m_started;
        m_changed.notify_all();
        m_changed.wait(guard, [this] { return m_open; });
        ++m_finished;
        return 0;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_started = 0;
    std::atomic<int> m_finished{0};
};

}  // namespace

class TestThreadBase : public QObject {
    Q_OBJECT

private slots:
    void startsMergeWhileARunIsPending() {
        GatedWorker worker;
        worker.Thread_Start();
        QVERIFY(worker.waitForRuns(1));
        // The first run is busy: the next two requests merge into one run.
        worker.Thread_Start();
        worker.Thread_Start();
        worker.open();
        QVERIFY(worker.waitForRuns(2));
        QTest::qWait(100);
        QCOMPARE(worker.started(), 2);
        QVERIFY(worker.Is_Thread_Running());
    }

    void exitLetsTheRunningRunFinish() {
        auto worker = std::make_unique<GatedWorker>();
        worker->Thread_Start();
        QVERIFY(worker->waitForRuns(1));
        worker->Thread_Exit();
        QVERIFY(!worker->Is_Thread_Running());
        worker->Thread_Start();
        worker->open();
        QTRY_COMPARE(worker->finished(), 1);
        QTest::qWait(50);
        QCOMPARE(worker->started(), 1);
        worker.reset();
    }

    void pauseHoldsRunsUntilStarted() {
        GatedWorker worker;
        worker.open();
        worker.Thread_Start();
        QVERIFY(worker.waitForRuns(1));
        worker.Thread_Pause();
        QVERIFY(!worker.Is_Thread_Running());
        QTest::qWait(50);
        QCOMPARE(worker.started(), 1);
        worker.Thread_Start();
        QVERIFY(worker.waitForRuns(2));
    }

    void destroyingAnUnstartedWorkerReturnsAtOnce() {
        QElapsedTimer timer;
        timer.start();
        { GatedWorker worker; }
        QVERIFY(timer.elapsed() < 1000);
    }
};

KIV_TEST_CLASS(TestThreadBase)
#include "tst_CKivFriendThreadBaseCommon.moc"
