#pragma once

#include <QObject>
#include <QTimer>

class KivProcessWatch;

// Watches the call window program a window started and says when it is gone,
// so a call window that ended without a word (it crashed, or was killed) does
// not leave its starter waiting. The process itself is watched, not only its
// window id, which the windowing system hands to the next window soon.
class KivWindowWatch : public QObject {
    Q_OBJECT
public:
    explicit KivWindowWatch(QObject* parent = nullptr);
    ~KivWindowWatch() override;

    // Starts watching the program `pid`: gone when it ends, or when it named
    // no window within `graceMs` (it never came up).
    void WatchProcess(qint64 pid, int graceMs);
    // The program named its window: from now on also gone when the window is.
    void Watch(quint64 window);
    void Stop();
    // The watched program, or 0.
    qint64 Pid() const { return m_pid; }

signals:
    void Gone();

private:
    void Check();
    void Ended();

    QTimer m_timer;
    KivProcessWatch* m_process = nullptr;
    qint64 m_pid = 0;
    quint64 m_window = 0;
    qint64 m_deadline = 0;
};
