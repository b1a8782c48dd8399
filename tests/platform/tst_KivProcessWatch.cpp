#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <signal.h>

#include "KivProcessWatch.h"
#include "KivTestRegistry.h"

// The watch names one process: its end is told at once, and a process that
// is not running cannot be watched.
class TestKivProcessWatch : public QObject {
    Q_OBJECT
private slots:
    // A process that is not our child (started detached, as the call window
    // program is), killed: its end is told within a fraction of a second.
    void tellsTheEndOfAProcessThatIsNoChild() {
        qint64 pid = 0;
        QVERIFY(QProcess::startDetached(QStringLiteral("sleep"), {QStringLiteral("30")}, QString(),
                                        &pid));
        KivProcessWatch watch;
        QSignalSpy ended(&watch, &KivProcessWatch::Ended);
        QVERIFY(watch.Watch(pid));
        QCOMPARE(watch.Pid(), pid);
        QTest::qWait(300);
        QCOMPARE(ended.size(), 0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(kill(pid_t(pid), SIGKILL), 0);
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 3000);
        QVERIFY(clock.elapsed() < 900);
        QCOMPARE(watch.Pid(), qint64(0));
    }

    void aProcessThatIsGoneCannotBeWatched() {
        QProcess done;
        done.start(QStringLiteral("true"), QStringList());
        QVERIFY(done.waitForStarted(5000));
        const qint64 pid = done.processId();
        QVERIFY(done.waitForFinished(5000));
        KivProcessWatch watch;
        QVERIFY(!watch.Watch(pid));
        QVERIFY(!watch.Watch(0));
        QVERIFY(watch.Watch(QCoreApplication::applicationPid()));
        watch.Stop();
        QCOMPARE(watch.Pid(), qint64(0));
    }
};

KIV_TEST_CLASS(TestKivProcessWatch)
#include "tst_KivProcessWatch.moc"
