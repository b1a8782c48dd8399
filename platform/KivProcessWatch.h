#pragma once

#include <QObject>

#include <memory>

class KivProcessWatchPrivate;

// Watches one process, named by its id, and says when it ended. The watch
// holds on to that very process (on Linux through a process file
// descriptor), so a new process that is given the same id later is not taken
// for it.
class KivProcessWatch : public QObject {
    Q_OBJECT
public:
    explicit KivProcessWatch(QObject* parent = nullptr);
    ~KivProcessWatch() override;

    // Starts watching `pid` instead of what was watched before; false (and
    // nothing watched) when no such process runs.
    bool Watch(qint64 pid);
    void Stop();
    // The watched process, or 0.
    qint64 Pid() const;

signals:
    // The watched process ended; the watch stopped.
    void Ended();

private:
    std::unique_ptr<KivProcessWatchPrivate> d;
};
