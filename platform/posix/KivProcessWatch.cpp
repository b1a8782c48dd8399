#include "KivProcessWatch.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>

// Linux: a pidfd turns readable when its process ends, also for a process
// that is not our child. Elsewhere (or on kernels without pidfd_open) the
// process is looked at four times a second, and its start time tells a new
// process with the same id from the old one.

namespace {

constexpr int kPollMs = 250;

// The start time of `pid` from /proc (field 22), or empty; where there is no
// /proc, any text that stays the same while the process runs.
QByteArray StartTime(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return kill(pid_t(pid), 0) == 0 || errno == EPERM ? QByteArray("-") : QByteArray();
    }
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold blanks; fields follow its end.
    const int end = line.lastIndexOf(')');
    if (end < 0) {
        return {};
    }
    const QList<QByteArray> fields = line.mid(end + 2).split(' ');
    // fields[0] is the state (field 3), fields[19] the start time (field 22).
    if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X") {
        return {};
    }
    return fields[19];
}

int OpenPidFd(qint64 pid) {
#ifdef SYS_pidfd_open
    return int(syscall(SYS_pidfd_open, pid_t(pid), 0));
#else
    Q_UNUSED(pid);
    errno = ENOSYS;
    return -1;
#endif
}

}  // namespace

class KivProcessWatchPrivate {
public:
    qint64 pid = 0;
    int pidFd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer poll;
    QByteArray startTime;

    // From the notifier's own signal it may not be deleted at once.
    void close(bool later = true) {
        if (notifier) {
            notifier->setEnabled(false);
            if (later) {
                notifier.release()->deleteLater();
            }
            notifier.reset();
        }
        if (pidFd >= 0) {
            ::close(pidFd);
            pidFd = -1;
        }
        poll.stop();
        pid = 0;
        startTime.clear();
    }
};

KivProcessWatch::KivProcessWatch(QObject* parent)
    : QObject(parent), d(std::make_unique<KivProcessWatchPrivate>()) {
    d->poll.setInterval(kPollMs);
    connect(&d->poll, &QTimer::timeout, this, [this] {
        if (StartTime(d->pid) != d->startTime) {
            d->close();
            emit Ended();
        }
    });
}

KivProcessWatch::~KivProcessWatch() {
    d->close(false);
}

bool KivProcessWatch::Watch(qint64 pid) {
    d->close();
    if (pid <= 0) {
        return false;
    }
    const int fd = OpenPidFd(pid);
    if (fd >= 0) {
        d->pid = pid;
        d->pidFd = fd;
        d->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(d->notifier.get(), &QSocketNotifier::activated, this, [this] {
            d->close();
            emit Ended();
        });
        return true;
    }
    if (errno == ESRCH) {
        return false;
    }
    const QByteArray started = StartTime(pid);
    if (started.isEmpty()) {
        return false;
    }
    d->pid = pid;
    d->startTime = started;
    d->poll.start();
    return true;
}

void KivProcessWatch::Stop() {
    d->close();
}

qint64 KivProcessWatch::Pid() const {
    return d->pid;
}
